// SPDX-License-Identifier: GPL-3.0-or-later
#include "recorder/recordererror.h"

QString recorderErrorText(int code)
{
    switch (code) {
    case ErrNone:
        return QStringLiteral("The operation completed successfully.");
    case ErrNoInputDevice:
        return QStringLiteral("No sound input device is available.");
    case ErrFormatNotSupported:
        return QStringLiteral("The sound input device cannot record in the format of this file.");
    case ErrDeviceOpen:
        return QStringLiteral("The sound input device could not be opened.");
    case ErrDeviceNotOpen:
        return QStringLiteral("The sound input device is not open.");
    case ErrStart:
        return QStringLiteral("The sound input device could not start recording.");
    case ErrCapture:
        return QStringLiteral("The sound input device stopped with an error while recording.");
    case ErrStop:
        return QStringLiteral("The sound input device could not stop recording.");
    case ErrClose:
        return QStringLiteral("The sound input device could not be closed.");
    case ErrFileOpen:
        return QStringLiteral("The recording file could not be opened.");
    case ErrNotWaveFile:
        return QStringLiteral("The recording file is not a PCM wave file.");
    case ErrSave:
        return QStringLiteral("The recording could not be saved.");
    case ErrTooLong:
        return QStringLiteral("The recording is too long to be saved as a wave file.");
    }
    return QStringLiteral("Unknown error code");
}
