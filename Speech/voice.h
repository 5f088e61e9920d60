// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

// One loaded voice of a synthesiser, ready to speak.
class Voice
{
public:
    // Receives synthesised 16-bit mono samples; false stops the synthesis.
    using SampleReceiver = std::function<bool(const qint16 *samples, int count)>;

    virtual ~Voice() = default;

    virtual QString name() const = 0;
    // The language it speaks, e.g. "en-us".
    virtual QString language() const = 0;
    virtual int sampleRate() const = 0;

    // Synthesises the text on the calling thread, handing the audio over in
    // chunks as it is made. Returns once the text is done or the receiver
    // refused a chunk; false when the synthesiser failed.
    virtual bool synthesise(const QString &text, const SampleReceiver &receiver) = 0;
};
