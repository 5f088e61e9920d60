// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/privatesoundserver.h"

#include <QFile>
#include <QProcess>

#include <cstdio>

PrivateSoundServer::PrivateSoundServer()
    : m_script(QStringLiteral(DARO_PULSE_SCRIPT))
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

bool PrivateSoundServer::startUnlessGiven()
{
    if (qEnvironmentVariableIsSet("PULSE_SERVER") || start())
        return true;
    std::fprintf(stderr, "could not start the private sound server: %s\n", qPrintable(m_error));
    return false;
}
