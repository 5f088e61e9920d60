// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

struct ChildProcess
{
    qint64 pid = 0;
    char state = '?'; // as /proc/PID/stat gives it: R, S, Z, ...
};

// Processes whose parent is this process: a reader that was not reaped shows
// up here, and so does whatever it left running once this process adopts
// orphans (as a subreaper).
QList<ChildProcess> childProcesses();
// Their process ids only.
QList<qint64> ownChildren();

// Dead and reaped, or at least dead (an orphan's zombie waits for whoever adopted it).
bool processGone(qint64 pid);
