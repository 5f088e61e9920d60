// SPDX-License-Identifier: GPL-3.0-or-later
#include "recorder/recordererror.h"

#include <QCoreApplication>

QString recorderErrorText(int code)
{
    switch (code) {
    case ErrNone:
        return QCoreApplication::translate("RecorderError", "The operation completed successfully.");
    case ErrNoInputDevice:
        return QCoreApplication::translate("RecorderError", "No sound input device is available.");
    case ErrFormatNotSupported:
        return QCoreApplication::translate(
            "RecorderError", "The sound input device cannot record in the format of this file.");
    case ErrDeviceOpen:
        return QCoreApplication::translate("RecorderError", "The sound input device could not be opened.");
    case ErrDeviceNotOpen:
        return QCoreApplication::translate("RecorderError", "The sound input device is not open.");
    case ErrStart:
        return QCoreApplication::translate("RecorderError",
                                           "The sound input device could not start recording.");
    case ErrCapture:
        return QCoreApplication::translate("RecorderError",
                                           "The sound input device stopped with an error while recording.");
    case ErrStop:
        return QCoreApplication::translate("RecorderError",
                                           "The sound input device could not stop recording.");
    case ErrClose:
        return QCoreApplication::translate("RecorderError", "The sound input device could not be closed.");
    case ErrFileOpen:
        return QCoreApplication::translate("RecorderError", "The recording file could not be opened.");
    case ErrNotWaveFile:
        return QCoreApplication::translate("RecorderError", "The recording file is not a PCM wave file.");
    case ErrSave:
        return QCoreApplication::translate("RecorderError", "The recording could not be saved.");
    case ErrTooLong:
        return QCoreApplication::translate("RecorderError",
                                           "The recording is too long to be saved as a wave file.");
    }
    return QStringLiteral("Unknown error code");
}
