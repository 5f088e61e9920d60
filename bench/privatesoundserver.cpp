// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/privatesoundserver.h"

#include <QFile>
#include <QProcess>

PrivateSoundServer::PrivateSoundServer(QString script)
    : m_script(std::move(script))
{}

PrivateSoundServer::~PrivateSoundServer()
{
    if (m_started)
        QProcess::execute(m_script, {QStringLiteral("stop"), m_dir.path()});
}

bool PrivateSoundServer::start()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory: %1").arg(m_dir.errorString());
        return false;
    }
    QProcess script;
    script.start(m_script, {QStringLiteral("start"), m_dir.path()});
    if (!script.waitForFinished(30000) || script.exitStatus() != QProcess::NormalExit ||
        script.exitCode() != 0) {
        m_error = QStringLiteral("%1 start failed: %2")
                      .arg(m_script, QString::fromLocal8Bit(script.readAllStandardError()));
        return false;
    }
    m_started = true;
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(m_dir.path()) + "/native");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path()));
    return true;
}
