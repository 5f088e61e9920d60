// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Speech/speechbackend.h"

#include <memory>

// Reads texts aloud, one after another, without waiting for them.
class SpeechEngine
{
public:
    explicit SpeechEngine(std::unique_ptr<SpeechBackend> backend);

    // Sets the engine up; raises AppError or Abort, leaving Speak unable to speak.
    void InitSpeech();
    // Hands the text over and returns at once; Abort when it cannot be spoken.
    void Speak(const QString &text);

    SpeechBackend *backend() const { return m_backend.get(); }

private:
    std::unique_ptr<SpeechBackend> m_backend;
};
