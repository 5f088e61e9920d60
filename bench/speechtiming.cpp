// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/speechtiming.h"

#include "Speech/speechengine.h"
#include "Speech/voicebackend.h"

#include <QElapsedTimer>
#include <QThread>

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::usleep(100);
    }
    return true;
}

SpeakTimes timeSpeak(SpeechEngine &engine, const VoiceBackend &backend, const QString &text, int runs)
{
    SpeakTimes times;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        if (!waitFor([&] { return backend.isIdle(); }, 30000)) {
            times.error = QStringLiteral("the engine never went quiet");
            break;
        }
        QThread::msleep(600); // let the sink finish the silence after the last text
        const qint64 before = backend.framesToSink();
        const qint64 made = backend.framesSynthesised();
        timer.start();
        engine.Speak(text);
        times.returned.push_back(timer.nsecsElapsed() / 1e6);
        double firstMade = -1;
        if (!waitFor(
                [&] {
                    if (firstMade < 0 && backend.framesSynthesised() > made)
                        firstMade = timer.nsecsElapsed() / 1e6;
                    return backend.framesToSink() > before;
                },
                10000)) {
            times.error = QStringLiteral("no audio reached the sink");
            break;
        }
        times.firstAudio.push_back(timer.nsecsElapsed() / 1e6);
        times.firstMade.push_back(firstMade >= 0 ? firstMade : times.firstAudio.back());
    }
    waitFor([&] { return backend.isIdle(); }, 30000);
    return times;
}
