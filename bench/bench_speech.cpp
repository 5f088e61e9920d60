// SPDX-License-Identifier: GPL-3.0-or-later
// How quickly Speak hands a text over, and how soon its first audio reaches the
// sink. Prints figures; never fails on timing.
//
//   bench_speech [RUNS]
//
// Uses the sound server named by PULSE_SERVER, or else starts the private test
// server (tests/pulse-test-server.sh) for the run.
#include "Speech/speechengine.h"
#include "Speech/voice.h"
#include "Speech/voicebackend.h"
#include "base/errors.h"

#include "bench/speechtiming.h"
#include "support/privatesoundserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// 300 characters of lesson-like English.
const QString kLongText =
    QStringLiteral("When you travel to a new city, it is a good idea to learn a few words of the local "
                   "language before you go. "
                   "People are always glad when a visitor tries to speak with them, even if the words are "
                   "not quite right, and "
                   "they will often help you find your way. Practise every day, and you will soon improve.");
const QString kShortText = QStringLiteral("Good morning, how are you today?");

struct Figures
{
    double median = 0;
    double p90 = 0;
    double max = 0;
};

Figures figures(std::vector<double> values)
{
    Figures f;
    if (values.empty())
        return f;
    std::sort(values.begin(), values.end());
    f.median = values[values.size() / 2];
    f.p90 = values[std::min(values.size() - 1, values.size() * 9 / 10)];
    f.max = values.back();
    return f;
}

void print(const char *what, const Figures &f, const char *target)
{
    std::printf("%-46s median %8.3f ms   p90 %8.3f ms   max %8.3f ms   (target %s)\n", what, f.median, f.p90,
                f.max, target);
}

} // namespace

int main(int argc, char *argv[])
{
    PrivateSoundServer server;
    if (!server.startUnlessGiven())
        return 1;
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 15;

    std::unique_ptr<SpeechBackend> owned = makeSpeechBackend();
    auto &backend = dynamic_cast<VoiceBackend &>(*owned);
    auto engine = std::make_unique<SpeechEngine>(std::move(owned));
    QElapsedTimer timer;
    timer.start();
    try {
        engine->InitSpeech();
    } catch (const AppError &e) {
        std::fprintf(stderr, "speech set-up failed: %s\n", qPrintable(e.message()));
        return 1;
    }
    if (!backend.isSelected()) {
        std::fprintf(stderr, "no voice was selected\n");
        return 1;
    }
    const int rate = backend.voice()->sampleRate();
    std::printf("InitSpeech: %.1f ms, voice %s (%s, %d Hz), %d voices\n", timer.nsecsElapsed() / 1e6,
                qPrintable(backend.voice()->name()), qPrintable(backend.voice()->language()), rate,
                backend.voiceCount());

    // Time to first audio: each text starts from a quiet engine.
    const SpeakTimes quiet = timeSpeak(*engine, backend, kShortText, runs);
    if (!quiet.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(quiet.error));
        return 1;
    }

    // Return time for long texts handed over back to back, as a running lesson
    // whose sentences outpace the speaker would.
    std::vector<double> longReturn;
    qint64 widestAhead = 0;
    for (int i = 0; i < std::max(runs, 100); ++i) {
        timer.restart();
        engine->Speak(kLongText);
        longReturn.push_back(timer.nsecsElapsed() / 1e6);
        widestAhead = std::max(widestAhead, backend.framesSynthesised() - backend.framesToSink());
    }
    for (int i = 0; i < 20; ++i) {
        QThread::msleep(50);
        widestAhead = std::max(widestAhead, backend.framesSynthesised() - backend.framesToSink());
    }

    std::printf("texts: short %lld characters, long %lld characters; %d runs\n", (long long)kShortText.size(),
                (long long)kLongText.size(), runs);
    print("Speak return, short text, quiet engine", figures(quiet.returned), "<= 1 ms");
    print("Speak return, 300-character text, queued", figures(longReturn), "<= 1 ms");
    print("Speak to first audio synthesised", figures(quiet.firstMade), "");
    print("Speak to first audio at the sink", figures(quiet.firstAudio), "<= 30 ms");
    std::printf("audio synthesised ahead of the sink, widest: %.3f s\n", double(widestAhead) / rate);

    // The window closes while a long queue is being spoken.
    timer.restart();
    engine.reset();
    std::printf("closing while speaking: %.1f ms\n", timer.nsecsElapsed() / 1e6);
    return 0;
}
