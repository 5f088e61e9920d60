// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pronunciation/readinglistener.h"
#include "pronunciation/recogniser.h"
#include "pronunciation/wordjudge.h"

#include <QString>

#include <memory>

// One reading at a time checked against its typed text, from 16-bit mono
// sound of any rate: what the listener drives on its thread. The program
// gets it from a module of its own, loaded at the first use, so that the
// recogniser's libraries (pocketsphinx, and LAPACK with it, libsoxr) are no
// part of its start-up, neither in time nor in memory.
class ReadingChecker
{
public:
    virtual ~ReadingChecker() = default;

    // A reading of `text` begins; false when the recogniser cannot take it.
    virtual bool begin(const QString &text) = 0;
    virtual bool feed(const qint16 *samples, qsizetype count, quint32 rate) = 0;
    // The reading ended: every word of the text at begin(), judged; ok is
    // false when the recogniser failed.
    virtual ReadingCheck finish() = 0;
};

// Loads the recogniser module installed with the program (once; it stays)
// and makes a checker with the model. Null, with the reason in `error`, when
// the module or the model does not load.
std::unique_ptr<ReadingChecker> loadReadingChecker(const RecogniserModel &model,
                                                   const RecogniserSettings &settings,
                                                   const JudgeThresholds &thresholds, QString *error);
