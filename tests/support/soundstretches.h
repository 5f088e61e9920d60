// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QVector>

// A sounding stretch of a recording, in seconds.
struct Stretch
{
    double start;
    double length;
};

// Runs of 5 ms windows whose peak exceeds the threshold, merged across
// silences shorter than minGap seconds.
QList<Stretch> soundingStretches(const QVector<qint16> &samples, int rate, double minGap,
                                 int threshold = 300);
double totalLength(const QList<Stretch> &stretches);
