// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// How a number written with digits is read aloud, in lower-case English
// words: every common reading, the most usual first. "1990" is "nineteen
// ninety" or "one thousand nine hundred (and) ninety"; "3.5" is "three point
// five"; "21st" is "twenty first"; "007" is read digit by digit; "3:30" is
// "three thirty". Thousands separators (1,000) are allowed. Anything else,
// and numbers of a trillion or more, give no reading.
QList<QStringList> numberReadings(const QString &token);
