// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Speech/voicefamily.h"

// Flite's CMU English voices. Each lives in a library of its own, loaded only
// when the voice is, so a voice whose library is missing or does not register
// is passed over. Flite keeps state shared by all its voices: every call into
// it goes through one lock.
class FliteVoices : public VoiceFamily
{
public:
    // Best understood first, as measured by bench_voices.
    static QStringList defaultVoices();

    explicit FliteVoices(QStringList names = defaultVoices());

    QStringList open() override;
    int usualSampleRate() const override { return 16000; }
    std::unique_ptr<Voice> load(const QString &name) override;

private:
    QStringList m_names;
};
