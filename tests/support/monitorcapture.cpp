// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/monitorcapture.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cstring>

MonitorCapture::MonitorCapture(QString fileName, int rate)
    : m_fileName(std::move(fileName))
    , m_rate(rate)
{}

MonitorCapture::~MonitorCapture()
{
    stop();
}

bool MonitorCapture::start()
{
    m_process.setStandardOutputFile(m_fileName, QIODevice::Truncate);
    m_process.setProgram(QStringLiteral("parec"));
    m_process.setArguments({QStringLiteral("--device=daro_sink.monitor"),
                            QStringLiteral("--rate=%1").arg(m_rate), QStringLiteral("--channels=1"),
                            QStringLiteral("--format=s16le"), QStringLiteral("--raw"),
                            QStringLiteral("--latency-msec=20")});
    m_process.start();
    if (!m_process.waitForStarted()) {
        m_error = QStringLiteral("parec did not start: %1").arg(m_process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (QFileInfo(m_fileName).size() == 0 && !deadline.hasExpired() &&
           m_process.state() == QProcess::Running)
        QThread::msleep(10);
    if (QFileInfo(m_fileName).size() == 0) {
        m_error = QStringLiteral("parec recorded nothing: %1")
                      .arg(QString::fromLocal8Bit(m_process.readAllStandardError()));
        stop();
        return false;
    }
    return true;
}

void MonitorCapture::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

QVector<qint16> MonitorCapture::samples() const
{
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    QVector<qint16> samples(data.size() / 2);
    std::memcpy(samples.data(), data.constData(), size_t(samples.size()) * 2);
    return samples;
}

double MonitorCapture::seconds() const
{
    return double(QFileInfo(m_fileName).size()) / 2 / m_rate;
}
