// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech/audioplayer.h"

#include "Speech/pcmpipe.h"

#include <QAudioSink>
#include <QMetaObject>

#include <algorithm>

AudioPlayer::AudioPlayer()
{
    m_thread.setObjectName(QStringLiteral("daro audio"));
}

AudioPlayer::~AudioPlayer()
{
    close();
}

bool AudioPlayer::open(const QAudioDevice &device, const QAudioFormat &format, qsizetype aheadBytes)
{
    close();
    if (device.isNull() || !format.isValid())
        return false;

    m_failed = false;
    m_format = format;
    // The tail of silence is sized from the sink's buffer once it is known.
    m_pipe = std::make_unique<PcmPipe>(aheadBytes, format.bytesForDuration(300000));
    m_pipe->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    m_home = std::make_unique<QObject>();
    m_thread.start();
    m_pipe->moveToThread(&m_thread);
    m_home->moveToThread(&m_thread);

    bool started = false;
    QMetaObject::invokeMethod(
        m_home.get(),
        [this, &device, &started] {
            auto *sink = new QAudioSink(device, m_format);
            QObject::connect(sink, &QAudioSink::stateChanged, m_home.get(),
                             [this, sink](QAudio::State state) {
                                 if (state == QAudio::StoppedState && sink->error() != QAudio::NoError) {
                                     m_failed = true;
                                     m_pipe->closeWrite();
                                 }
                             });
            sink->start(m_pipe.get());
            if (sink->state() == QAudio::StoppedState || sink->error() == QAudio::OpenError ||
                sink->error() == QAudio::FatalError) {
                delete sink;
                return;
            }
            // Two buffers' worth of silence pushes the last words past the
            // server's start threshold.
            m_pipe->setTailSilence(
                std::max<qsizetype>(2 * sink->bufferSize(), m_format.bytesForDuration(300000)));
            m_sink = sink;
            started = true;
        },
        Qt::BlockingQueuedConnection);

    if (!started)
        close();
    return started;
}

void AudioPlayer::close()
{
    if (m_pipe)
        m_pipe->closeWrite();
    if (m_thread.isRunning()) {
        QMetaObject::invokeMethod(
            m_home.get(),
            [this] {
                if (m_sink) {
                    QObject::disconnect(m_sink, nullptr, m_home.get(), nullptr);
                    m_sink->stop();
                    delete m_sink;
                    m_sink = nullptr;
                }
            },
            Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    m_home.reset();
    m_pipe.reset();
}
