// SPDX-License-Identifier: GPL-3.0-or-later
#include "pronunciation/resampler.h"

#include <soxr.h>

Resampler::~Resampler()
{
    soxr_delete(m_soxr);
}

bool Resampler::push(const qint16 *samples, qsizetype count, quint32 rate, std::vector<qint16> &out)
{
    if (rate == 0)
        return false;
    if (rate != m_rate && !flush(out))
        return false;
    m_rate = rate;
    if (count <= 0)
        return true;
    if (rate == m_outRate) {
        out.insert(out.end(), samples, samples + count);
        return true;
    }
    if (!m_soxr) {
        soxr_error_t error = nullptr;
        const soxr_io_spec_t io = [] {
            soxr_io_spec_t spec = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
            spec.flags |= SOXR_NO_DITHER;
            return spec;
        }();
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        m_soxr = soxr_create(rate, m_outRate, 1, &error, &io, &quality, nullptr);
        if (error || !m_soxr) {
            soxr_delete(m_soxr);
            m_soxr = nullptr;
            return false;
        }
    }
    return run(samples, count, out);
}

bool Resampler::flush(std::vector<qint16> &out)
{
    const bool done = !m_soxr || run(nullptr, 0, out);
    soxr_delete(m_soxr);
    m_soxr = nullptr;
    m_rate = 0;
    return done;
}

// A null `samples` drains the filter.
bool Resampler::run(const qint16 *samples, qsizetype count, std::vector<qint16> &out)
{
    size_t used = 0;
    do {
        const size_t room = size_t(double(count - qsizetype(used)) * m_outRate / m_rate) + 1024;
        const size_t start = out.size();
        out.resize(start + room);
        size_t taken = 0;
        size_t made = 0;
        const soxr_error_t error =
            soxr_process(m_soxr, samples ? samples + used : nullptr, samples ? size_t(count) - used : 0,
                         &taken, out.data() + start, room, &made);
        out.resize(start + made);
        if (error)
            return false;
        used += taken;
        if (taken == 0 && made == 0)
            break;
        // Draining, the filter's tail may need more than one round.
        if (!samples && made < room)
            break;
    } while (samples ? used < size_t(count) : true);
    return true;
}
