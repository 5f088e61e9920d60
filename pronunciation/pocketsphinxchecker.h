// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pronunciation/readinganalysis.h"
#include "pronunciation/readingchecker.h"
#include "pronunciation/recogniser.h"
#include "pronunciation/resampler.h"

#include <memory>
#include <vector>

// The reading checker of the recogniser module, which daro-pronounce uses
// too: the sound brought to the recogniser's rate and analysed, so that the
// window and the command judge alike.
class PocketsphinxChecker : public ReadingChecker
{
public:
    // Null, with the reason in `error`, when the model does not load.
    static std::unique_ptr<PocketsphinxChecker> load(const RecogniserModel &model,
                                                     const RecogniserSettings &settings,
                                                     const JudgeThresholds &thresholds, QString *error);

    bool begin(const QString &text) override;
    bool feed(const qint16 *samples, qsizetype count, quint32 rate) override;
    ReadingCheck finish() override;

private:
    PocketsphinxChecker(std::unique_ptr<Recogniser> recogniser, const JudgeThresholds &thresholds);

    std::unique_ptr<Recogniser> m_recogniser;
    ReadingAnalysis m_analysis;
    std::unique_ptr<Resampler> m_resampler;
    std::vector<qint16> m_resampled;
    bool m_fed = true;
};
