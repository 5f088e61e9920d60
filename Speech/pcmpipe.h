// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIODevice>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

// A bounded byte pipe from the synthesiser's thread to an audio sink that pulls
// from it. The producer blocks while the pipe is full, so synthesis never runs
// far ahead of playback. The reader gets what is there; only while an
// utterance is being made does it wait briefly for the audio.
//
// After each utterance the reader is given a stretch of silence once the real
// audio runs out. PulseAudio holds back the start of a stream until its buffer
// has filled, and without that silence a short last sentence would stay stuck
// in the server until the next one came.
class PcmPipe : public QIODevice
{
    Q_OBJECT

public:
    PcmPipe(qsizetype capacity, qsizetype tailSilence, QObject *parent = nullptr);

    // Producer side, any thread. Blocks while full; false once the writing end
    // is closed (then nothing of the data is kept).
    bool push(const char *data, qsizetype size);
    // The utterance pushed so far is complete: arm the tail of silence.
    void finishUtterance();
    // An utterance is being made: wakes a reader that found the pipe empty
    // now, so that it is ready when the audio comes (a pulling sink reads only
    // a period after it is woken), and until finishUtterance() a reader that
    // finds the pipe empty waits briefly for the audio instead of starving.
    void expectAudio();
    // Ends writing: wakes a blocked push() and makes every later one fail.
    void closeWrite();
    void reopenWrite();
    bool isWriteClosed() const;

    void setTailSilence(qsizetype bytes);
    // The longest a reader waits for audio being made.
    void setAudioWait(std::chrono::milliseconds wait);

    // Bytes of real audio waiting, and taken by the reader so far.
    qsizetype buffered() const;
    qint64 audioBytesRead() const;
    qint64 silenceBytesRead() const;
    qsizetype capacity() const { return qsizetype(m_ring.size()); }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    void wakeReaderLocked();

    mutable std::mutex m_mutex;
    std::condition_variable m_space;
    std::condition_variable m_arrived;
    std::vector<char> m_ring;
    qsizetype m_head = 0;
    qsizetype m_size = 0;
    qsizetype m_tailSilence;
    qsizetype m_silenceLeft = 0;
    qint64 m_audioRead = 0;
    qint64 m_silenceRead = 0;
    bool m_writeClosed = false;
    bool m_producing = false; // between expectAudio() and finishUtterance()
    // A little over one period of a pulling sink, which would otherwise go
    // idle for a whole period.
    std::chrono::milliseconds m_audioWait{25};
    // The reader found nothing last time and waits for readyRead.
    bool m_starved = true;
};
