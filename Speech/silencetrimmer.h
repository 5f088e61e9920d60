// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Speech/voice.h"

#include <vector>

// Cuts the silence a synthesiser puts around each text down to a short lead-in
// before it and a fixed pause after it, so that a text starts sounding as soon
// as it is synthesised and texts in a row keep a steady gap. Pauses inside a
// text stay as they are, up to a longest pause.
class SilenceTrimmer
{
public:
    struct Shape
    {
        int threshold;    // peak at or below which a sample is quiet
        int leadIn;       // quiet samples kept before the first sound
        int endPause;     // samples of quiet after the last sound
        int longestPause; // a longer quiet stretch inside a text is shortened to this
    };
    // What the voices of this program use, at a sample rate.
    static Shape speechShape(int rate);

    SilenceTrimmer(Shape shape, Voice::SampleReceiver out);

    // Passes on the audio of the text so far, holding back quiet samples until
    // it is known whether sound follows them. False when the receiver refused.
    bool feed(const qint16 *samples, int count);
    // The text is complete: hands on its end pause (nothing when the whole
    // text was quiet) and gets ready for the next text.
    bool finish();

private:
    bool deliver();

    Shape m_shape;
    Voice::SampleReceiver m_out;
    bool m_sounded = false;       // the text has made a sound
    std::vector<qint16> m_quiet;  // quiet samples held back since the last sound
    std::vector<qint16> m_buffer; // what one call hands on
};
