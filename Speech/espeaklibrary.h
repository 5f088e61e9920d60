// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// espeak-ng keeps one state per process. Every call into it goes through here,
// one caller at a time, and the library stays up while anyone holds it.
class EspeakLibrary
{
public:
    struct Voice
    {
        QByteArray name; // what the library selects the voice by
        QString identifier;
        QString language;
        bool isNull() const { return name.isEmpty(); }
    };

    // Receives synthesised 16-bit mono samples; false stops the synthesis.
    using SampleReceiver = std::function<bool(const qint16 *samples, int count)>;

    // Brings the library up for synthesis on the caller's thread, or counts one
    // more holder. AppError with the library's own message when it cannot load
    // its data; the process never exits over it.
    static void acquire();
    static void release();

    // Number of installed voices, in one pass over the library's list.
    static int voiceCount();
    // The first voice of the library's list for the language (e.g. "en");
    // a null voice when there is none.
    static Voice firstVoice(const char *language);
    static bool selectVoice(const Voice &voice);
    static int sampleRate();

    // Synthesises the text on the calling thread, handing the audio over in
    // chunks as it is made. Returns once the text is done or the receiver
    // refused a chunk. Other callers wait meanwhile.
    static bool synthesise(const QString &text, const SampleReceiver &receiver);
};
