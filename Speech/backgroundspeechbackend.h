// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Speech/speechbackend.h"

#include <QThread>

#include <array>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

// Runs another backend's four set-up steps on a thread of its own as soon as
// it is made, so that loading the synthesiser, its voices and the audio output
// overlaps with building the window. Each step called later waits for that
// step's outcome and raises what it raised there, so the caller sees the same
// errors at the same steps as if it had run them itself; a step after a failed
// one is not run ahead. Steps called again afterwards run anew, still on the
// set-up thread, which keeps running so that whatever the steps made there
// lives on a thread with an event loop until the backend is destroyed.
//
// Needs the application object: the set-up thread runs an event loop.
class BackgroundSpeechBackend : public SpeechBackend
{
public:
    explicit BackgroundSpeechBackend(std::unique_ptr<SpeechBackend> inner);
    // Waits for the set-up under way, then destroys the inner backend on the
    // set-up thread.
    ~BackgroundSpeechBackend() override;
    BackgroundSpeechBackend(const BackgroundSpeechBackend &) = delete;
    BackgroundSpeechBackend &operator=(const BackgroundSpeechBackend &) = delete;

    void createAudioDest() override;
    void enumModes() override;
    void loadFirstMode() override;
    void selectMode() override;
    // Waits for the set-up, then hands the text to the inner backend on the
    // calling thread.
    void speak(const QString &text) override;

    SpeechBackend *inner() const { return m_inner.get(); }
    // Blocks until the set-up thread has run every step it will run ahead.
    void waitForSetUp();

private:
    enum Step { CreateAudioDest, EnumModes, LoadFirstMode, SelectMode, StepCount };
    struct Outcome
    {
        bool ran = false;
        bool taken = false;
        std::exception_ptr error;
    };

    void runAhead();
    void take(Step step);
    // Runs one step on the set-up thread, waiting for it; raises what it raised.
    void runThere(Step step);
    static void call(SpeechBackend &backend, Step step);

    std::unique_ptr<SpeechBackend> m_inner;
    QThread m_thread;
    std::unique_ptr<QObject> m_home; // lives on m_thread; runs the calls made there
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::array<Outcome, StepCount> m_outcomes;
    bool m_aheadDone = false;
};
