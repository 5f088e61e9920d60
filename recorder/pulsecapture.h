// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recorder/capturebackend.h"

#include <QAudioSource>
#include <QIODevice>
#include <QPointer>

// Capture from the system's default sound input through QAudioSource in push
// mode, on the thread that owns it.
class AudioSourceCapture : public CaptureBackend
{
public:
    AudioSourceCapture() = default;
    ~AudioSourceCapture() override;

    int open(quint16 channels, quint16 bitsPerSample, quint32 sampleRate) override;
    int start() override;
    int stop() override;
    QByteArray takeCaptured() override;
    int close() override;

private:
    void collect();

    std::unique_ptr<QAudioSource> m_source;
    // Owned by m_source, which deletes it when capture stops.
    QPointer<QIODevice> m_input;
    QByteArray m_captured;
    qsizetype m_frameBytes = 0;
    bool m_capturing = false;
    bool m_failed = false;
};
