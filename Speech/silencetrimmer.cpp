// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech/silencetrimmer.h"

#include <algorithm>
#include <cstdlib>

SilenceTrimmer::Shape SilenceTrimmer::speechShape(int rate)
{
    // The threshold lies above the synthesisers' noise floor and below the
    // start of a soft fricative; 0.2 s after a text is a sentence's pause.
    return {100, rate / 50, rate / 5, rate};
}

SilenceTrimmer::SilenceTrimmer(Shape shape, Voice::SampleReceiver out)
    : m_shape(shape)
    , m_out(std::move(out))
{}

bool SilenceTrimmer::feed(const qint16 *samples, int count)
{
    const size_t leadIn = size_t(std::max(m_shape.leadIn, 0));
    const size_t longest = size_t(std::max(m_shape.longestPause, 0));
    for (int i = 0; i < count; ++i) {
        const qint16 s = samples[i];
        if (std::abs(int(s)) > m_shape.threshold) {
            const size_t keep = m_sounded ? m_quiet.size() : std::min(m_quiet.size(), leadIn);
            m_buffer.insert(m_buffer.end(), m_quiet.end() - std::ptrdiff_t(keep), m_quiet.end());
            m_quiet.clear();
            m_buffer.push_back(s);
            m_sounded = true;
        } else if (m_sounded) {
            if (m_quiet.size() < longest)
                m_quiet.push_back(s);
        } else {
            m_quiet.push_back(s);
            // Before the first sound only the lead-in is ever needed.
            if (m_quiet.size() >= 2 * leadIn + 64)
                m_quiet.erase(m_quiet.begin(), m_quiet.end() - std::ptrdiff_t(leadIn));
        }
    }
    return deliver();
}

bool SilenceTrimmer::finish()
{
    if (m_sounded) {
        const size_t pause = size_t(std::max(m_shape.endPause, 0));
        const size_t keep = std::min(m_quiet.size(), pause);
        m_buffer.insert(m_buffer.end(), m_quiet.begin(), m_quiet.begin() + std::ptrdiff_t(keep));
        m_buffer.resize(m_buffer.size() + (pause - keep), 0);
    }
    m_quiet.clear();
    m_sounded = false;
    return deliver();
}

bool SilenceTrimmer::deliver()
{
    if (m_buffer.empty())
        return true;
    const bool ok = m_out(m_buffer.data(), int(m_buffer.size()));
    m_buffer.clear();
    return ok;
}
