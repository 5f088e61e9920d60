// SPDX-License-Identifier: GPL-3.0-or-later
#include "pronunciation/pocketsphinxchecker.h"

std::unique_ptr<PocketsphinxChecker> PocketsphinxChecker::load(const RecogniserModel &model,
                                                               const RecogniserSettings &settings,
                                                               const JudgeThresholds &thresholds,
                                                               QString *error)
{
    std::unique_ptr<Recogniser> recogniser = Recogniser::load(model, settings, error);
    if (!recogniser)
        return nullptr;
    return std::unique_ptr<PocketsphinxChecker>(new PocketsphinxChecker(std::move(recogniser), thresholds));
}

PocketsphinxChecker::PocketsphinxChecker(std::unique_ptr<Recogniser> recogniser,
                                         const JudgeThresholds &thresholds)
    : m_recogniser(std::move(recogniser))
    , m_analysis(*m_recogniser, thresholds)
{}

bool PocketsphinxChecker::begin(const QString &text)
{
    m_resampler = std::make_unique<Resampler>();
    m_fed = true;
    return m_analysis.begin(text);
}

bool PocketsphinxChecker::feed(const qint16 *samples, qsizetype count, quint32 rate)
{
    m_resampled.clear();
    m_fed = m_fed && m_resampler && m_resampler->push(samples, count, rate, m_resampled) &&
            m_analysis.feed(m_resampled.data(), qsizetype(m_resampled.size()));
    return m_fed;
}

ReadingCheck PocketsphinxChecker::finish()
{
    m_resampled.clear();
    m_fed = m_fed && m_resampler && m_resampler->flush(m_resampled) &&
            m_analysis.feed(m_resampled.data(), qsizetype(m_resampled.size()));
    ReadingCheck check = m_analysis.finish();
    if (!m_fed) {
        check.ok = false;
        check.words.clear();
    }
    return check;
}
