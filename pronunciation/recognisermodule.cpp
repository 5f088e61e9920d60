// SPDX-License-Identifier: GPL-3.0-or-later
// The recogniser module: the program loads it at the first reading it
// checks (loadReadingChecker) and calls this, its one exported function.
#include "pronunciation/pocketsphinxchecker.h"

extern "C" __attribute__((visibility("default"))) ReadingChecker *
daro_make_reading_checker(const RecogniserModel *model, const RecogniserSettings *settings,
                          const JudgeThresholds *thresholds, QString *error)
{
    return PocketsphinxChecker::load(*model, *settings, *thresholds, error).release();
}
