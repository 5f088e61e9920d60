// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <functional>
#include <memory>

// Receives captured sound as 16-bit signed mono samples, `rate` per second.
using SampleTap = std::function<void(const qint16 *samples, qsizetype count, quint32 rate)>;

// A sound input device as the recorder drives it. Each step returns ErrNone
// or another RecorderError code (recordererror.h); a failed step changes
// nothing, except that a failed close() still lets go of the device.
class CaptureBackend
{
public:
    virtual ~CaptureBackend() = default;

    // Takes the device for capture in this PCM format (8 bits unsigned,
    // 16 and 32 bits signed, interleaved channels, as in a wave file).
    virtual int open(quint16 channels, quint16 bitsPerSample, quint32 sampleRate) = 0;
    // Starts capturing and returns at once; the samples collect in the
    // background. Starting while capturing goes on capturing.
    virtual int start() = 0;
    // Stops capturing after collecting what the device took in up to now.
    // Also reports a failure of the device during capture.
    virtual int stop() = 0;
    // The samples collected since the last call, in whole frames.
    virtual QByteArray takeCaptured() = 0;
    // Stops any capture, drops its samples and lets go of the device.
    virtual int close() = 0;
    // While capturing, also hands the sound to `tap` as it arrives, on the
    // capture's own thread, whatever format the recording is in; an empty
    // tap ends that. A device that cannot do so ignores the tap.
    virtual void setSampleTap(SampleTap tap) { Q_UNUSED(tap); }
};

// Captures from the sound server's default input.
std::unique_ptr<CaptureBackend> makeAudioSourceCapture();
