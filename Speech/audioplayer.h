// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAudioDevice>
#include <QAudioFormat>
#include <QThread>

#include <atomic>
#include <memory>

class PcmPipe;
class QAudioSink;

// Plays what is pushed into its pipe on an audio output. The sink pulls from
// the pipe on a thread of its own, so playback goes on while the window is busy.
class AudioPlayer
{
public:
    AudioPlayer();
    ~AudioPlayer();
    AudioPlayer(const AudioPlayer &) = delete;
    AudioPlayer &operator=(const AudioPlayer &) = delete;

    // Starts the sink; false when the output cannot be opened. At most
    // aheadBytes of audio wait in the pipe besides what the sink holds.
    bool open(const QAudioDevice &device, const QAudioFormat &format, qsizetype aheadBytes);
    // Stops the sink at once, dropping what was not played; closes the pipe's
    // writing end first so that a blocked producer returns.
    void close();

    bool isOpen() const { return m_sink != nullptr; }
    QAudioFormat format() const { return m_format; }
    // Valid while open.
    PcmPipe *pipe() const { return m_pipe.get(); }
    // The sink stopped on an error after it had started.
    bool failed() const { return m_failed.load(); }

private:
    QThread m_thread;
    std::unique_ptr<QObject> m_home; // lives on m_thread; runs the calls made there
    std::unique_ptr<PcmPipe> m_pipe;
    QAudioSink *m_sink = nullptr; // created, used and deleted on m_thread
    QAudioFormat m_format;
    std::atomic<bool> m_failed{false};
};
