// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech/speechengine.h"

#include "base/errors.h"

SpeechEngine::SpeechEngine(std::unique_ptr<SpeechBackend> backend)
    : m_backend(std::move(backend))
{}

void SpeechEngine::InitSpeech()
{
    if (!m_backend)
        throw Abort();
    m_backend->createAudioDest();
    m_backend->enumModes();
    m_backend->loadFirstMode();
    m_backend->selectMode();
}

void SpeechEngine::Speak(const QString &text)
{
    if (!m_backend)
        throw Abort();
    m_backend->speak(text);
}
