// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pronunciation/readinglistener.h"
#include "pronunciation/recogniser.h"
#include "pronunciation/wordjudge.h"

#include <QString>

// Checks one reading at a time against its typed text, with a loaded
// recogniser: the steps the listener and daro-pronounce share, so that the
// window and the command judge alike. Samples are 16-bit mono at the
// recogniser's rate.
class ReadingAnalysis
{
public:
    explicit ReadingAnalysis(Recogniser &recogniser, JudgeThresholds thresholds = {});

    // A reading of `text` begins; false when the recogniser cannot take it.
    bool begin(const QString &text);
    bool feed(const qint16 *samples, qsizetype count);
    // The reading ended: every word of the text at begin(), judged.
    ReadingCheck finish();

    // The whole of a reading, fed in the pieces a capture would give.
    ReadingCheck check(const QString &text, const qint16 *samples, qsizetype count);
    // The same for a recording of any rate, as a file holds it.
    ReadingCheck checkRecording(const QString &text, const qint16 *samples, qsizetype count, quint32 rate);

    // What the recogniser found in the last reading, before judging.
    const QList<WordFinding> &findings() const { return m_findings; }
    const JudgeThresholds &thresholds() const { return m_thresholds; }

private:
    Recogniser &m_recogniser;
    JudgeThresholds m_thresholds;
    QString m_text;
    QList<TypedWord> m_words;
    QList<WordFinding> m_findings;
    bool m_listening = false;
    bool m_failed = false;
};
