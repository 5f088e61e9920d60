// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Results of the recorder's operations as WaveRecorder::LastError() reports
// them, shared with the capture backends. Zero is success.
enum RecorderError : int {
    ErrNone = 0,
    ErrNoInputDevice,
    ErrFormatNotSupported,
    ErrDeviceOpen,
    ErrDeviceNotOpen,
    ErrStart,
    ErrCapture,
    ErrStop,
    ErrClose,
    ErrFileOpen,
    ErrNotWaveFile,
    ErrSave,
    ErrTooLong,
};

// The text for a result, "Unknown error code" for a number it does not know.
QString recorderErrorText(int code);
