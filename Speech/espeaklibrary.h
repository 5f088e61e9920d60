// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Speech/voice.h"

#include <QByteArray>
#include <QList>
#include <QString>

// espeak-ng keeps one state per process. Every call into it goes through here,
// one caller at a time. It answers only while someone holds it, and once up it
// stays up until the process ends.
class EspeakLibrary
{
public:
    struct VoiceInfo
    {
        QByteArray name; // what the library selects the voice by
        QString identifier;
        QString language;
        bool isNull() const { return name.isEmpty(); }
    };

    using SampleReceiver = Voice::SampleReceiver;

    // Brings the library up for synthesis on the caller's thread, or counts one
    // more holder. AppError with the library's own message when it cannot load
    // its data (tried again on the next call); the process never exits over it.
    static void acquire();
    static void release();

    // The voices of the library's list for the language (e.g. "en"), in its
    // order; none when it is not up.
    static QList<VoiceInfo> voices(const char *language);
    static bool selectVoice(const QByteArray &name);
    static int sampleRate();

    // Synthesises the text on the calling thread, handing the audio over in
    // chunks as it is made. Returns once the text is done or the receiver
    // refused a chunk. Other callers wait meanwhile.
    static bool synthesise(const QString &text, const SampleReceiver &receiver);
};
