// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <vector>

// Small measuring helpers shared by the benchmark programs.

// This process's resident memory (VmRSS) in KiB; -1 when it cannot be read.
qint64 residentKiB();
// Its highest resident memory (VmHWM) in KiB since it started or since
// resetPeakResident(); -1 when it cannot be read.
qint64 peakResidentKiB();
void resetPeakResident();

// The first field of /proc/loadavg: runnable processes, averaged over a minute.
double loadAverage();
// Times this process was preempted (involuntary context switches) so far.
long involuntarySwitches();

double median(std::vector<double> values);
// The value below which the given share (0..1) of the values lies.
double percentile(std::vector<double> values, double share);
