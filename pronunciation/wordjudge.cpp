// SPDX-License-Identifier: GPL-3.0-or-later
#include "pronunciation/wordjudge.h"

#include <algorithm>
#include <vector>

QList<WordHeard> judgeWords(const QList<WordFinding> &findings, const JudgeThresholds &thresholds)
{
    std::vector<double> scores;
    for (const WordFinding &finding : findings) {
        if (finding.path == WordFinding::Said && finding.frames > 0)
            scores.push_back(finding.scorePerFrame());
    }
    double median = 0;
    if (!scores.empty()) {
        const size_t middle = scores.size() / 2;
        std::nth_element(scores.begin(), scores.begin() + qsizetype(middle), scores.end());
        median = scores[middle];
        if (scores.size() % 2 == 0) {
            const double below = *std::max_element(scores.begin(), scores.begin() + qsizetype(middle));
            median = (median + below) / 2;
        }
    }

    QList<WordHeard> heard;
    heard.reserve(findings.size());
    for (const WordFinding &finding : findings) {
        switch (finding.path) {
        case WordFinding::NotListened:
            heard << WordHeard::Unscored;
            break;
        case WordFinding::Skipped:
            heard << WordHeard::Missed;
            break;
        case WordFinding::Said: {
            const double below = double(finding.score) - median * finding.frames;
            const double allowed = thresholds.belowMedian * std::max(finding.frames, thresholds.shortestWord);
            heard << (finding.frames > 0 && below >= -allowed ? WordHeard::Heard : WordHeard::Missed);
            break;
        }
        }
    }
    return heard;
}
