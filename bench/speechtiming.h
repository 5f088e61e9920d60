// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <vector>

class SpeechEngine;
class VoiceBackend;

// Speak's return time and the time from Speak to the first audio the sink
// takes, in milliseconds, each text spoken from a quiet engine.
struct SpeakTimes
{
    std::vector<double> returned;
    std::vector<double> firstMade; // the first audio in the pipe
    std::vector<double> firstAudio;
    QString error; // set when a run could not be measured
};
SpeakTimes timeSpeak(SpeechEngine &engine, const VoiceBackend &backend, const QString &text, int runs);

// Polls without an event loop; false when the time ran out.
bool waitFor(const std::function<bool()> &done, int timeoutMs);
