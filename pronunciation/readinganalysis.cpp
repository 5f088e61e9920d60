// SPDX-License-Identifier: GPL-3.0-or-later
#include "pronunciation/readinganalysis.h"

#include "pronunciation/resampler.h"
#include "pronunciation/spokenwords.h"

#include <vector>

namespace {

// A tenth of a second, as a sound server hands sound over.
constexpr qsizetype kPiece = Recogniser::kRate / 10;

} // namespace

ReadingAnalysis::ReadingAnalysis(Recogniser &recogniser, JudgeThresholds thresholds)
    : m_recogniser(recogniser)
    , m_thresholds(thresholds)
{}

bool ReadingAnalysis::begin(const QString &text)
{
    m_text = text;
    m_words = typedWords(text);
    m_findings.clear();
    m_failed = false;
    // A text without words has nothing to listen for.
    m_listening = !m_words.isEmpty();
    if (m_listening)
        m_failed = !m_recogniser.start(spokenWords(m_words, m_recogniser.lookup()));
    return !m_failed;
}

bool ReadingAnalysis::feed(const qint16 *samples, qsizetype count)
{
    if (m_listening && !m_failed && !m_recogniser.process(samples, count))
        m_failed = true;
    return !m_failed;
}

ReadingCheck ReadingAnalysis::finish()
{
    ReadingCheck check;
    check.text = m_text;
    if (m_failed)
        return check;
    QList<WordHeard> heard;
    if (m_listening) {
        m_listening = false;
        const std::optional<QList<WordFinding>> findings = m_recogniser.finish();
        if (!findings || findings->size() != m_words.size())
            return check;
        m_findings = *findings;
        heard = judgeWords(m_findings, m_thresholds);
    }
    for (qsizetype i = 0; i < m_words.size(); ++i)
        check.words << HeardWord{m_words[i], heard[i]};
    check.ok = true;
    return check;
}

ReadingCheck ReadingAnalysis::check(const QString &text, const qint16 *samples, qsizetype count)
{
    if (!begin(text))
        return finish();
    for (qsizetype at = 0; at < count; at += kPiece) {
        if (!feed(samples + at, std::min(kPiece, count - at)))
            break;
    }
    return finish();
}

ReadingCheck ReadingAnalysis::checkRecording(const QString &text, const qint16 *samples, qsizetype count,
                                             quint32 rate)
{
    std::vector<qint16> resampled;
    resampled.reserve(size_t(double(count) * Recogniser::kRate / std::max<quint32>(rate, 1)) + 1024);
    Resampler resampler;
    if (!resampler.push(samples, count, rate, resampled) || !resampler.flush(resampled)) {
        ReadingCheck failed;
        failed.text = text;
        return failed;
    }
    return check(text, resampled.data(), qsizetype(resampled.size()));
}
