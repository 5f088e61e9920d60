// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech/pcmpipe.h"

#include <QMetaObject>

#include <algorithm>
#include <cstring>

namespace {
// Samples are 16 bits: never hand the reader half of one.
constexpr qsizetype kSampleBytes = 2;

qsizetype wholeSamples(qsizetype bytes)
{
    return bytes - bytes % kSampleBytes;
}
} // namespace

PcmPipe::PcmPipe(qsizetype capacity, qsizetype tailSilence, QObject *parent)
    : QIODevice(parent)
    , m_ring(size_t(std::max<qsizetype>(wholeSamples(capacity), kSampleBytes)))
    , m_tailSilence(wholeSamples(std::max<qsizetype>(tailSilence, 0)))
{}

bool PcmPipe::push(const char *data, qsizetype size)
{
    std::unique_lock lock(m_mutex);
    const qsizetype cap = capacity();
    while (size > 0) {
        m_space.wait(lock, [&] { return m_writeClosed || m_size < cap; });
        if (m_writeClosed)
            return false;
        // New audio follows directly: the previous utterance needs no tail.
        m_silenceLeft = 0;
        const qsizetype n = std::min(size, cap - m_size);
        qsizetype tail = (m_head + m_size) % cap;
        const qsizetype first = std::min(n, cap - tail);
        std::memcpy(m_ring.data() + tail, data, size_t(first));
        std::memcpy(m_ring.data(), data + first, size_t(n - first));
        m_size += n;
        data += n;
        size -= n;
        wakeReaderLocked();
        m_arrived.notify_all();
    }
    return true;
}

void PcmPipe::finishUtterance()
{
    std::lock_guard lock(m_mutex);
    m_producing = false;
    m_arrived.notify_all();
    if (m_writeClosed)
        return;
    m_silenceLeft = m_tailSilence;
    wakeReaderLocked();
}

void PcmPipe::expectAudio()
{
    std::lock_guard lock(m_mutex);
    if (m_writeClosed)
        return;
    m_producing = true;
    wakeReaderLocked();
}

void PcmPipe::closeWrite()
{
    {
        std::lock_guard lock(m_mutex);
        m_writeClosed = true;
        m_producing = false;
    }
    m_space.notify_all();
    m_arrived.notify_all();
}

void PcmPipe::reopenWrite()
{
    std::lock_guard lock(m_mutex);
    m_writeClosed = false;
}

bool PcmPipe::isWriteClosed() const
{
    std::lock_guard lock(m_mutex);
    return m_writeClosed;
}

void PcmPipe::setAudioWait(std::chrono::milliseconds wait)
{
    std::lock_guard lock(m_mutex);
    m_audioWait = wait;
}

void PcmPipe::setTailSilence(qsizetype bytes)
{
    std::lock_guard lock(m_mutex);
    m_tailSilence = wholeSamples(std::max<qsizetype>(bytes, 0));
}

qsizetype PcmPipe::buffered() const
{
    std::lock_guard lock(m_mutex);
    return m_size;
}

qint64 PcmPipe::audioBytesRead() const
{
    std::lock_guard lock(m_mutex);
    return m_audioRead;
}

qint64 PcmPipe::silenceBytesRead() const
{
    std::lock_guard lock(m_mutex);
    return m_silenceRead;
}

qint64 PcmPipe::bytesAvailable() const
{
    std::lock_guard lock(m_mutex);
    return m_size + m_silenceLeft + QIODevice::bytesAvailable();
}

qint64 PcmPipe::readData(char *data, qint64 maxSize)
{
    std::unique_lock lock(m_mutex);
    const qsizetype want = wholeSamples(qsizetype(maxSize));
    const qsizetype cap = capacity();
    if (m_producing && m_size == 0 && m_silenceLeft == 0 && want > 0)
        m_arrived.wait_for(lock, m_audioWait, [&] { return m_size > 0 || !m_producing; });
    if (m_size > 0) {
        const qsizetype n = std::min(want, m_size);
        const qsizetype first = std::min(n, cap - m_head);
        std::memcpy(data, m_ring.data() + m_head, size_t(first));
        std::memcpy(data + first, m_ring.data(), size_t(n - first));
        m_head = (m_head + n) % cap;
        m_size -= n;
        m_audioRead += n;
        m_starved = false;
        lock.unlock();
        m_space.notify_all();
        return n;
    }
    if (m_silenceLeft > 0 && want > 0) {
        const qsizetype n = std::min(want, m_silenceLeft);
        std::memset(data, 0, size_t(n));
        m_silenceLeft -= n;
        m_silenceRead += n;
        m_starved = false;
        return n;
    }
    m_starved = true;
    return 0;
}

qint64 PcmPipe::writeData(const char *, qint64)
{
    return -1;
}

void PcmPipe::wakeReaderLocked()
{
    // A pulling sink that found the pipe empty sleeps until readyRead; emit it
    // on the pipe's own thread, where the sink lives.
    if (!m_starved)
        return;
    m_starved = false;
    QMetaObject::invokeMethod(
        this, [this] { emit readyRead(); }, Qt::QueuedConnection);
}
