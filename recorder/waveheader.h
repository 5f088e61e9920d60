// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

inline constexpr quint16 kWaveFormatPcm = 1;
inline constexpr quint16 kWaveFormatExtensible = 0xFFFE;

// What the header of a RIFF/WAVE file says about its samples.
struct WaveInfo
{
    quint16 formatTag = 0;
    quint16 channels = 0;
    quint32 sampleRate = 0;
    quint32 byteRate = 0;
    quint16 blockAlign = 0;
    quint16 bitsPerSample = 0;
    // WAVE_FORMAT_EXTENSIBLE: the format tag its sub-format stands for (PCM
    // is 1), or 0 when the sub-format is not one of those tags.
    quint16 subFormat = 0;
    // Offset of the first sample byte from the start of the file.
    qint64 dataOffset = 0;
    // The size the data chunk declares; the file may hold fewer bytes.
    quint32 dataSize = 0;
};

// Reads the header at the start of a wave file: the RIFF/WAVE tags, any
// chunks before the format chunk, the format chunk and the header of the data
// chunk. The samples themselves need not be in `bytes`. Nothing outside
// `bytes` is ever read; a header that is cut short, a chunk that claims more
// room than there is, a missing or short format chunk, a data chunk before the
// format, or no channels, no rate or no bits give nullopt.
std::optional<WaveInfo> parseWaveHeader(QByteArrayView bytes);

// Integer PCM of 8, 16, 24 or 32 bits whose block alignment matches its
// channels and bits: what the recorder and the players here can handle.
bool isPlainPcm(const WaveInfo &info);
// The same, or the extensible format with integer PCM inside, as other
// programs write for 24 bits or more than two channels.
bool isIntegerPcm(const WaveInfo &info);
