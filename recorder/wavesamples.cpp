// SPDX-License-Identifier: GPL-3.0-or-later
#include "recorder/wavesamples.h"

#include <QtEndian>

namespace {

// One sample at its full width, as a signed number whose top 16 bits are kept.
qint32 sampleAt(const char *at, quint16 bytes)
{
    switch (bytes) {
    case 1:
        return (qint32(quint8(*at)) - 128) * 256;
    case 2:
        return qFromLittleEndian<qint16>(at);
    case 3:
        return qint32(quint32(quint8(at[0])) << 8 | quint32(quint8(at[1])) << 16 |
                      quint32(quint8(at[2])) << 24) >>
               16;
    default:
        return qFromLittleEndian<qint32>(at) >> 16;
    }
}

} // namespace

std::vector<qint16> monoSamples(const WaveInfo &info, QByteArrayView data)
{
    const quint16 bytes = info.bitsPerSample / 8;
    const qsizetype frame = qsizetype(info.channels) * bytes;
    if (!isIntegerPcm(info) || frame <= 0)
        return {};
    const qsizetype frames = data.size() / frame;
    std::vector<qint16> mono(size_t(frames), 0);
    const char *at = data.data();
    for (qsizetype f = 0; f < frames; ++f) {
        qint64 sum = 0;
        for (quint16 c = 0; c < info.channels; ++c, at += bytes)
            sum += sampleAt(at, bytes);
        mono[size_t(f)] = qint16(sum / info.channels);
    }
    return mono;
}
