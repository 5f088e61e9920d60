// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/soundstretches.h"

#include <cstdlib>

QList<Stretch> soundingStretches(const QVector<qint16> &samples, int rate, double minGap, int threshold)
{
    const qsizetype window = rate / 200;
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

double totalLength(const QList<Stretch> &stretches)
{
    double total = 0;
    for (const Stretch &s : stretches)
        total += s.length;
    return total;
}
