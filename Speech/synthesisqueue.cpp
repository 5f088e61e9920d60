// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech/synthesisqueue.h"

#include "Speech/pcmpipe.h"
#include "Speech/voice.h"

#include <pthread.h>
#include <sched.h>

SynthesisQueue::SynthesisQueue(Voice *voice, PcmPipe *pipe)
    : m_voice(voice)
    , m_pipe(pipe)
    , m_thread([this] { run(); })
{}

SynthesisQueue::~SynthesisQueue()
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

void SynthesisQueue::enqueue(const QString &text)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(text);
    }
    m_wake.notify_one();
}

bool SynthesisQueue::isIdle() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.empty() && !m_busy;
}

qint64 SynthesisQueue::samplesSynthesised() const
{
    std::lock_guard lock(m_mutex);
    return m_samples;
}

int SynthesisQueue::textsFinished() const
{
    std::lock_guard lock(m_mutex);
    return m_finished;
}

void SynthesisQueue::run()
{
    // Speak wakes this thread. As a batch thread it does not take the caller's
    // CPU on waking, so Speak returns before synthesis starts; it starts when
    // the caller's thread sleeps or on another CPU.
    sched_param batch{};
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &batch);

    const Voice::SampleReceiver receiver = [this](const qint16 *samples, int count) {
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
        m_pipe->expectAudio();
        m_voice->synthesise(text, receiver);
        m_pipe->finishUtterance();
        {
            std::lock_guard lock(m_mutex);
            m_busy = false;
            ++m_finished;
        }
    }
}
