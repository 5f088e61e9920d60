// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// The 44-byte header of a PCM wave file whose data chunk holds `dataSize`
// bytes. With the default the file is empty and the RIFF size is 36. Nothing
// is validated: bytes per second and block alignment use bits / 8 rounded
// down and keep only their low 32 and 16 bits.
QByteArray waveHeader(quint16 channels, quint16 bits, qint32 rate, quint32 dataSize = 0);

// Writes an empty PCM wave file (the header alone), creating the file or
// truncating an existing one. Raises AppError naming the file when it cannot
// be created, written or closed; the file may then be left empty or short.
void CreateWav(quint16 channels, quint16 bits, qint32 rate, const QString &fileName);
