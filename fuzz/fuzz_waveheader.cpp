// SPDX-License-Identifier: GPL-3.0-or-later
// The recorder and the player read the header of whatever file lies at the
// recording's path.
#include "fuzz/fuzzcheck.h"
#include "recorder/createwav.h"
#include "recorder/waveheader.h"
#include "recorder/wavesamples.h"

#include <QtEndian>

#include <cstddef>
#include <cstdint>

namespace {

bool sameInfo(const WaveInfo &a, const WaveInfo &b)
{
    return a.formatTag == b.formatTag && a.channels == b.channels && a.sampleRate == b.sampleRate &&
           a.byteRate == b.byteRate && a.blockAlign == b.blockAlign && a.bitsPerSample == b.bitsPerSample &&
           a.dataOffset == b.dataOffset && a.dataSize == b.dataSize;
}

// Whatever header the writer makes for non-zero arguments reads back as written.
void checkWriter(QByteArrayView bytes)
{
    if (bytes.size() < 12)
        return;
    const quint16 channels = qFromLittleEndian<quint16>(bytes.data());
    const quint16 bits = qFromLittleEndian<quint16>(bytes.data() + 2);
    const qint32 rate = qFromLittleEndian<qint32>(bytes.data() + 4);
    const quint32 dataSize = qFromLittleEndian<quint32>(bytes.data() + 8);
    if (channels == 0 || bits == 0 || rate == 0)
        return;
    const std::optional<WaveInfo> info = parseWaveHeader(waveHeader(channels, bits, rate, dataSize));
    FUZZ_CHECK(info);
    FUZZ_CHECK(info->formatTag == kWaveFormatPcm && info->channels == channels &&
               info->bitsPerSample == bits);
    FUZZ_CHECK(info->sampleRate == quint32(rate) && info->dataOffset == 44 && info->dataSize == dataSize);
    FUZZ_CHECK(info->byteRate == quint32(channels) * quint32(rate) * quint32(bits >> 3));
    FUZZ_CHECK(info->blockAlign == quint16(channels * (bits >> 3)));
    const bool plain = bits % 8 == 0 && bits <= 32 && channels * (bits >> 3) <= 0xFFFF;
    FUZZ_CHECK(isPlainPcm(*info) == plain);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    checkWriter(bytes);

    const std::optional<WaveInfo> info = parseWaveHeader(bytes);
    if (!info)
        return 0;
    FUZZ_CHECK(info->channels != 0 && info->sampleRate != 0 && info->bitsPerSample != 0);
    // The data chunk's header lies inside the bytes; the samples need not.
    FUZZ_CHECK(info->dataOffset >= 12 + 8 + 16 + 8 && info->dataOffset <= bytes.size());
    FUZZ_CHECK(bytes.sliced(info->dataOffset - 8, 4) == QByteArrayView("data", 4));
    if (isPlainPcm(*info))
        FUZZ_CHECK(info->formatTag == kWaveFormatPcm && info->blockAlign != 0);
    // daro-pronounce reads the samples of any integer PCM file: one for each
    // whole frame that follows the header.
    if (isIntegerPcm(*info)) {
        const QByteArrayView samples = bytes.sliced(info->dataOffset);
        FUZZ_CHECK(qsizetype(monoSamples(*info, samples).size()) == samples.size() / info->blockAlign);
    } else {
        FUZZ_CHECK(monoSamples(*info, bytes.sliced(info->dataOffset)).empty());
    }

    // The header alone decides: neither the samples nor what follows them matter.
    const std::optional<WaveInfo> headOnly = parseWaveHeader(bytes.first(info->dataOffset));
    FUZZ_CHECK(headOnly && sameInfo(*headOnly, *info));
    QByteArray longer = bytes.toByteArray();
    longer.append(64, '\xA5');
    const std::optional<WaveInfo> extended = parseWaveHeader(longer);
    FUZZ_CHECK(extended && sameInfo(*extended, *info));
    return 0;
}
