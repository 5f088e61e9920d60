// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/toolrun.h"

#include <QProcess>

ToolRun runTool(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    ToolRun result;
    // Generous: the sanitizer build runs the lesson tool several times slower.
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}
