// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QStringList>

// What a program run to its end gave; exitCode stays -1 when it did not
// finish in time or crashed.
struct ToolRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun runTool(const QString &program, const QStringList &args);
