// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <vector>

struct soxr;

// Brings 16-bit mono sound of any rate to one rate, by default the
// recogniser's, as a stream (libsoxr, without dither, so that the same sound
// always gives the same samples). Sound already at that rate passes unchanged.
class Resampler
{
public:
    static constexpr quint32 kRate = 16000;

    explicit Resampler(quint32 rate = kRate)
        : m_outRate(rate)
    {}
    ~Resampler();
    Resampler(const Resampler &) = delete;
    Resampler &operator=(const Resampler &) = delete;

    // Appends the samples, brought to the rate, to `out`; false when the
    // resampler fails. A new input rate ends the sound of the old one first.
    bool push(const qint16 *samples, qsizetype count, quint32 rate, std::vector<qint16> &out);
    // Appends what the filter still holds of the sound so far, and starts afresh.
    bool flush(std::vector<qint16> &out);

private:
    bool run(const qint16 *samples, qsizetype count, std::vector<qint16> &out);

    quint32 m_outRate;
    soxr *m_soxr = nullptr;
    quint32 m_rate = 0;
};
