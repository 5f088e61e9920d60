// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitorrecorder.h"

#include <QDeadlineTimer>
#include <QStringList>

#include <cstdlib>
#include <cstring>

MonitorRecorder::MonitorRecorder(int rate, QString source)
    : m_rate(rate)
    , m_source(std::move(source))
{}

MonitorRecorder::~MonitorRecorder()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

bool MonitorRecorder::start()
{
    m_data.clear();
    m_process.setProgram(QStringLiteral("parec"));
    m_process.setArguments({QStringLiteral("--device=%1").arg(m_source),
                            QStringLiteral("--rate=%1").arg(m_rate), QStringLiteral("--channels=1"),
                            QStringLiteral("--format=s16le"), QStringLiteral("--raw"),
                            QStringLiteral("--latency-msec=20")});
    m_process.start();
    if (!m_process.waitForStarted()) {
        m_error = QStringLiteral("parec did not start: %1").arg(m_process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (m_data.isEmpty() && !deadline.hasExpired()) {
        if (m_process.waitForReadyRead(100))
            m_data += m_process.readAllStandardOutput();
        if (m_process.state() == QProcess::NotRunning)
            break;
    }
    if (m_data.isEmpty()) {
        m_error = QStringLiteral("parec recorded nothing: %1")
                      .arg(QString::fromLocal8Bit(m_process.readAllStandardError()));
        return false;
    }
    return true;
}

QVector<qint16> MonitorRecorder::stop()
{
    m_process.terminate();
    m_process.waitForFinished();
    m_data += m_process.readAllStandardOutput();
    QVector<qint16> samples(m_data.size() / 2);
    std::memcpy(samples.data(), m_data.constData(), size_t(samples.size()) * 2);
    m_data.clear();
    return samples;
}

QList<MonitorRecorder::Stretch> MonitorRecorder::stretches(const QVector<qint16> &samples, int rate,
                                                           double minGap, int threshold)
{
    const int window = rate / 200;
    QList<Stretch> found;
    qsizetype runStart = -1;
    qsizetype lastLoudEnd = -1;
    for (qsizetype at = 0; at + window <= samples.size(); at += window) {
        bool loud = false;
        for (qsizetype i = at; i < at + window && !loud; ++i)
            loud = std::abs(int(samples[i])) > threshold;
        if (!loud)
            continue;
        if (runStart >= 0 && double(at - lastLoudEnd) / rate >= minGap) {
            found.append({double(runStart) / rate, double(lastLoudEnd - runStart) / rate});
            runStart = -1;
        }
        if (runStart < 0)
            runStart = at;
        lastLoudEnd = at + window;
    }
    if (runStart >= 0)
        found.append({double(runStart) / rate, double(lastLoudEnd - runStart) / rate});
    return found;
}

double MonitorRecorder::totalLength(const QList<Stretch> &stretches)
{
    double total = 0;
    for (const Stretch &s : stretches)
        total += s.length;
    return total;
}
