// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Speech/speechbackend.h"

#include <functional>
#include <memory>

// A synthesiser for the benchmarks. Every text it takes is shown to the
// observer; with an inner backend it is then spoken by it, without one it is
// dropped, and set-up always succeeds. It keeps nothing of the texts itself,
// so a long run costs no memory here.
class ObservedSpeech : public SpeechBackend
{
public:
    using Observer = std::function<void(const QString &text)>;

    ObservedSpeech(std::unique_ptr<SpeechBackend> inner, Observer observer);

    void createAudioDest() override;
    void enumModes() override;
    void loadFirstMode() override;
    void selectMode() override;
    // The observer sees the text once the inner backend has taken it.
    void speak(const QString &text) override;

private:
    std::unique_ptr<SpeechBackend> m_inner;
    Observer m_observer;
};
