// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Speech/espeakvoices.h"
#include "Speech/voice.h"
#ifdef DARO_WITH_FLITE
#include "Speech/flitevoices.h"
#endif

#include <QString>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

// A text read aloud by a synthetic learner: Flite's cmu_us_slt (espeak-ng's
// first English voice in a build without Flite), not the program's own voice,
// with 0.4 s of pause before and after and a microphone's faint hiss 50 dB
// under the speech.
struct ReadAloud
{
    std::vector<qint16> samples;
    int rate = 0;
};

inline ReadAloud readAloud(const QString &text)
{
#ifdef DARO_WITH_FLITE
    static FliteVoices family({QStringLiteral("cmu_us_slt")});
    static const QString name = QStringLiteral("cmu_us_slt");
#else
    static EspeakVoices family;
    static const QString name = family.open().value(0);
#endif
    static std::unique_ptr<Voice> voice = [] {
        family.open();
        return family.load(name);
    }();
    ReadAloud read;
    if (!voice)
        return read;
    read.rate = voice->sampleRate();
    std::vector<qint16> speech;
    voice->synthesise(text, [&speech](const qint16 *samples, int count) {
        speech.insert(speech.end(), samples, samples + count);
        return true;
    });
    double power = 0;
    for (qint16 s : speech)
        power += double(s) * s;
    const double hiss =
        std::sqrt(power / double(std::max<size_t>(speech.size(), 1))) / std::pow(10.0, 50.0 / 20);
    const std::vector<qint16> pause(size_t(read.rate) * 4 / 10, 0);
    read.samples = pause;
    read.samples.insert(read.samples.end(), speech.begin(), speech.end());
    read.samples.insert(read.samples.end(), pause.begin(), pause.end());
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, hiss);
    for (qint16 &s : read.samples)
        s = qint16(std::clamp(s + noise(random), -32768.0, 32767.0));
    return read;
}
