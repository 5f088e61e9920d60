// SPDX-License-Identifier: GPL-3.0-or-later
#include "recorder/waveheader.h"

#include <QtEndian>

namespace {

constexpr qsizetype kChunkHeaderSize = 8;
constexpr qsizetype kPcmFormatSize = 16;
// The extensible format chunk: cbSize, valid bits, channel mask, then the
// sub-format GUID, whose first two bytes are a format tag and the rest fixed.
constexpr qsizetype kExtensibleFormatSize = 40;
constexpr qsizetype kSubFormatOffset = 24;
constexpr char kSubFormatTail[] = "\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71";

quint16 u16At(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.data() + at);
}

quint32 u32At(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.data() + at);
}

bool tagAt(QByteArrayView bytes, qsizetype at, const char (&tag)[5])
{
    return bytes.sliced(at, 4) == QByteArrayView(tag, 4);
}

} // namespace

std::optional<WaveInfo> parseWaveHeader(QByteArrayView bytes)
{
    if (bytes.size() < 12 || !tagAt(bytes, 0, "RIFF") || !tagAt(bytes, 8, "WAVE"))
        return std::nullopt;

    // The RIFF size is not trusted: writers that stream leave it at 0 or at
    // its maximum, so the chunks are walked within the bytes at hand.
    WaveInfo info;
    bool haveFormat = false;
    qsizetype at = 12;
    while (bytes.size() - at >= kChunkHeaderSize) {
        const quint32 chunkSize = u32At(bytes, at + 4);
        const qsizetype body = at + kChunkHeaderSize;
        if (tagAt(bytes, at, "data")) {
            if (!haveFormat)
                return std::nullopt;
            info.dataOffset = body;
            info.dataSize = chunkSize;
            return info;
        }
        // Every other chunk must lie wholly inside the bytes, so that the
        // next chunk header can be found.
        if (qint64(chunkSize) > qint64(bytes.size() - body))
            return std::nullopt;
        if (tagAt(bytes, at, "fmt ")) {
            if (haveFormat || chunkSize < kPcmFormatSize)
                return std::nullopt;
            info.formatTag = u16At(bytes, body);
            info.channels = u16At(bytes, body + 2);
            info.sampleRate = u32At(bytes, body + 4);
            info.byteRate = u32At(bytes, body + 8);
            info.blockAlign = u16At(bytes, body + 12);
            info.bitsPerSample = u16At(bytes, body + 14);
            if (info.channels == 0 || info.sampleRate == 0 || info.bitsPerSample == 0)
                return std::nullopt;
            if (info.formatTag == kWaveFormatExtensible && chunkSize >= kExtensibleFormatSize &&
                bytes.sliced(body + kSubFormatOffset + 2, 14) == QByteArrayView(kSubFormatTail, 14))
                info.subFormat = u16At(bytes, body + kSubFormatOffset);
            haveFormat = true;
        }
        // Chunk bodies are padded to an even length.
        const qint64 next = qint64(body) + chunkSize + (chunkSize & 1);
        if (next > bytes.size())
            return std::nullopt;
        at = qsizetype(next);
    }
    return std::nullopt;
}

bool isPlainPcm(const WaveInfo &info)
{
    switch (info.bitsPerSample) {
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return false;
    }
    return info.formatTag == kWaveFormatPcm && info.channels > 0 && info.sampleRate > 0 &&
           quint32(info.blockAlign) == quint32(info.channels) * (info.bitsPerSample / 8u);
}

bool isIntegerPcm(const WaveInfo &info)
{
    if (info.formatTag != kWaveFormatExtensible || info.subFormat != kWaveFormatPcm)
        return isPlainPcm(info);
    WaveInfo plain = info;
    plain.formatTag = kWaveFormatPcm;
    return isPlainPcm(plain);
}
