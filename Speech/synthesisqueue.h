// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class PcmPipe;
class Voice;

// Speaks queued texts one after another on a thread of its own, writing the
// voice's audio into a pipe. The pipe's bound holds synthesis back to the pace
// of playback, so a long queue costs only the memory of its texts.
class SynthesisQueue
{
public:
    SynthesisQueue(Voice *voice, PcmPipe *pipe);
    // Drops the texts still waiting, cuts the current one short and joins the
    // thread; closes the pipe's writing end to do so.
    ~SynthesisQueue();
    SynthesisQueue(const SynthesisQueue &) = delete;
    SynthesisQueue &operator=(const SynthesisQueue &) = delete;

    // Takes a copy of the text and returns at once.
    void enqueue(const QString &text);

    // Nothing waits and nothing is being synthesised.
    bool isIdle() const;
    qint64 samplesSynthesised() const;
    int textsFinished() const;

private:
    void run();

    Voice *m_voice;
    PcmPipe *m_pipe;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<QString> m_queue;
    bool m_busy = false;
    bool m_stopping = false;
    qint64 m_samples = 0;
    int m_finished = 0;
    std::thread m_thread;
};
