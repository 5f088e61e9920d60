// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pronunciation/readinglistener.h"
#include "pronunciation/recogniser.h"

#include <QList>

// When a word the recogniser found counts as heard.
struct JudgeThresholds
{
    // A word whose score per frame is this far below the median of the
    // reading's words did not sound enough like itself (score units of the
    // recogniser, per 10 ms frame)...
    double belowMedian = 25;
    // ... counted over at least this many frames: a short word ("a", "of")
    // takes its sound from its neighbours, and a few poor frames say little.
    int shortestWord = 30;
};

// Heard, missed or not scored for each finding: a word skipped, or replaced
// by something else, is missed, and so is a word said much worse than the
// reader's own usual. Comparing with the reader's median, not with a fixed
// level, keeps a voice or a microphone the model hears poorly from having
// every word marked.
QList<WordHeard> judgeWords(const QList<WordFinding> &findings, const JudgeThresholds &thresholds);
