// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Speech/espeaklibrary.h"
#include "Speech/speechbackend.h"

#include <memory>

class AudioPlayer;
class EspeakSynthesiser;

// Speaks through espeak-ng into the default audio output (Qt Multimedia).
//   createAudioDest: the default output must exist and open (Abort otherwise:
//                    the synthesiser itself would report success with no sound);
//   enumModes:       brings espeak-ng up and counts its voices (AppError);
//   loadFirstMode:   takes the first English voice of its list;
//   selectMode:      selects it and starts the synthesis thread (Abort).
class EspeakBackend : public SpeechBackend
{
public:
    EspeakBackend();
    ~EspeakBackend() override;

    void createAudioDest() override;
    void enumModes() override;
    void loadFirstMode() override;
    void selectMode() override;
    void speak(const QString &text) override;

    int voiceCount() const { return m_voiceCount; }
    const EspeakLibrary::Voice &voice() const { return m_voice; }
    bool isSelected() const { return m_synth != nullptr; }

    // Every text handed over has been synthesised and taken by the sink.
    bool isIdle() const;
    // Audio frames made by the synthesiser, and taken from it by the sink
    // (the silence added after an utterance not counted).
    qint64 framesSynthesised() const;
    qint64 framesToSink() const;
    int textsFinished() const;

private:
    std::unique_ptr<AudioPlayer> m_player;
    std::unique_ptr<EspeakSynthesiser> m_synth;
    bool m_libraryHeld = false;
    int m_voiceCount = 0;
    EspeakLibrary::Voice m_voice;
};

std::unique_ptr<SpeechBackend> makeEspeakBackend();
