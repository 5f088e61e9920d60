// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Speech/voicefamily.h"

// espeak-ng's English voices, in the library's own order. The library has one
// current voice per process: loading a voice selects it.
class EspeakVoices : public VoiceFamily
{
public:
    // Only the named voices when given, else every English voice.
    explicit EspeakVoices(QStringList only = {});
    ~EspeakVoices() override;
    EspeakVoices(const EspeakVoices &) = delete;
    EspeakVoices &operator=(const EspeakVoices &) = delete;

    QStringList open() override;
    int usualSampleRate() const override { return 22050; }
    std::unique_ptr<Voice> load(const QString &name) override;

private:
    QStringList m_only;
    bool m_held = false;
};
