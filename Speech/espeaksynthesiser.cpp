// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech/espeaksynthesiser.h"

#include "Speech/espeaklibrary.h"
#include "Speech/pcmpipe.h"

EspeakSynthesiser::EspeakSynthesiser(PcmPipe *pipe)
    : m_pipe(pipe)
    , m_thread([this] { run(); })
{}

EspeakSynthesiser::~EspeakSynthesiser()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    m_pipe->closeWrite();
    m_thread.join();
}

void EspeakSynthesiser::enqueue(const QString &text)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(text);
    }
    m_wake.notify_one();
}

bool EspeakSynthesiser::isIdle() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.empty() && !m_busy;
}

qint64 EspeakSynthesiser::samplesSynthesised() const
{
    std::lock_guard lock(m_mutex);
    return m_samples;
}

int EspeakSynthesiser::textsFinished() const
{
    std::lock_guard lock(m_mutex);
    return m_finished;
}

void EspeakSynthesiser::run()
{
    const EspeakLibrary::SampleReceiver receiver = [this](const qint16 *samples, int count) {
        if (!m_pipe->push(reinterpret_cast<const char *>(samples),
                          qsizetype(count) * qsizetype(sizeof(qint16))))
            return false;
        std::lock_guard lock(m_mutex);
        m_samples += count;
        return !m_stopping;
    };

    for (;;) {
        QString text;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_stopping)
                return;
            text = std::move(m_queue.front());
            m_queue.pop_front();
            m_busy = true;
        }
        EspeakLibrary::synthesise(text, receiver);
        m_pipe->finishUtterance();
        {
            std::lock_guard lock(m_mutex);
            m_busy = false;
            ++m_finished;
        }
    }
}
