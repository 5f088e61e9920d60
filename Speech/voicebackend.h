// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Speech/speechbackend.h"

#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class AudioPlayer;
class SynthesisQueue;
class Voice;
class VoiceFamily;

// Speaks through the first voice that loads, of the synthesisers given in
// order, into the default audio output (Qt Multimedia).
//   createAudioDest: the default output must exist and open (Abort otherwise:
//                    a synthesiser would report success with no sound);
//   enumModes:       brings the synthesisers up in order until one comes up,
//                    and lists its voices; AppError only when none does;
//   loadFirstMode:   loads the first of its voices that loads, bringing the
//                    later synthesisers up only as long as none does (they cost
//                    memory and time); AppError when no voice loads and a
//                    synthesiser failed to come up;
//   selectMode:      opens the output at the voice's rate and starts the
//                    synthesis thread (Abort when there is no voice).
class VoiceBackend : public SpeechBackend
{
public:
    explicit VoiceBackend(std::vector<std::unique_ptr<VoiceFamily>> families);
    ~VoiceBackend() override;

    void createAudioDest() override;
    void enumModes() override;
    void loadFirstMode() override;
    void selectMode() override;
    void speak(const QString &text) override;

    // Voices listed so far, of the synthesisers brought up.
    int voiceCount() const { return int(m_listed.size()); }
    // The voice loaded by loadFirstMode; null before or when none loaded.
    Voice *voice() const { return m_voice.get(); }
    bool isSelected() const { return m_queue != nullptr; }

    // Every text handed over has been synthesised and taken by the sink.
    bool isIdle() const;
    // Audio frames made by the synthesiser, and taken from it by the sink
    // (the silence added after an utterance not counted).
    qint64 framesSynthesised() const;
    qint64 framesToSink() const;
    int textsFinished() const;

private:
    // Brings up the next synthesiser that comes up and lists its voices;
    // false when none is left.
    bool openNextFamily();

    struct Listed
    {
        VoiceFamily *family;
        QString name;
    };

    std::vector<std::unique_ptr<VoiceFamily>> m_families;
    std::vector<Listed> m_listed;
    size_t m_opened = 0;                // synthesisers tried so far
    std::optional<QString> m_openError; // a synthesiser that did not come up
    std::unique_ptr<AudioPlayer> m_player;
    std::unique_ptr<Voice> m_voice;
    std::unique_ptr<SynthesisQueue> m_queue;
};

// The program's speech: Flite's voices first when it is built in, then
// espeak-ng's.
std::unique_ptr<SpeechBackend> makeSpeechBackend();
