// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/observedspeech.h"

ObservedSpeech::ObservedSpeech(std::unique_ptr<SpeechBackend> inner, Observer observer)
    : m_inner(std::move(inner))
    , m_observer(std::move(observer))
{}

void ObservedSpeech::createAudioDest()
{
    if (m_inner)
        m_inner->createAudioDest();
}

void ObservedSpeech::enumModes()
{
    if (m_inner)
        m_inner->enumModes();
}

void ObservedSpeech::loadFirstMode()
{
    if (m_inner)
        m_inner->loadFirstMode();
}

void ObservedSpeech::selectMode()
{
    if (m_inner)
        m_inner->selectMode();
}

void ObservedSpeech::speak(const QString &text)
{
    if (m_inner)
        m_inner->speak(text);
    if (m_observer)
        m_observer(text);
}
