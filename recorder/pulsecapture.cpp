// SPDX-License-Identifier: GPL-3.0-or-later
#include "recorder/audiosourcecapture.h"

#include "recorder/recordererror.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QMediaDevices>

#include <limits>

std::unique_ptr<CaptureBackend> makeAudioSourceCapture()
{
    return std::make_unique<AudioSourceCapture>();
}

AudioSourceCapture::~AudioSourceCapture()
{
    close();
}

int AudioSourceCapture::open(quint16 channels, quint16 bitsPerSample, quint32 sampleRate)
{
    if (m_source)
        return ErrDeviceOpen;

    QAudioFormat format;
    switch (bitsPerSample) {
    case 8:
        format.setSampleFormat(QAudioFormat::UInt8);
        break;
    case 16:
        format.setSampleFormat(QAudioFormat::Int16);
        break;
    case 32:
        format.setSampleFormat(QAudioFormat::Int32);
        break;
    default:
        return ErrFormatNotSupported;
    }
    if (channels == 0 || sampleRate == 0 || sampleRate > quint32(std::numeric_limits<int>::max()))
        return ErrFormatNotSupported;
    format.setChannelCount(channels);
    format.setSampleRate(int(sampleRate));

    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull())
        return ErrNoInputDevice;
    if (!device.isFormatSupported(format))
        return ErrFormatNotSupported;

    m_source = std::make_unique<QAudioSource>(device, format);
    m_frameBytes = format.bytesPerFrame();
    m_captured.clear();
    m_failed = false;
    QObject::connect(m_source.get(), &QAudioSource::stateChanged, m_source.get(),
                     [this](QAudio::State state) {
                         // A device that goes away mid-capture stops the source with an error.
                         if (state == QAudio::StoppedState && m_source->error() != QAudio::NoError)
                             m_failed = true;
                     });
    return ErrNone;
}

int AudioSourceCapture::start()
{
    if (!m_source)
        return ErrDeviceNotOpen;
    if (m_capturing)
        return ErrNone;
    m_failed = false;
    QIODevice *input = m_source->start();
    if (!input || m_source->error() != QAudio::NoError) {
        m_source->stop();
        m_failed = false;
        return ErrStart;
    }
    m_input = input;
    m_capturing = true;
    QObject::connect(input, &QIODevice::readyRead, m_source.get(), [this] { collect(); });
    return ErrNone;
}

int AudioSourceCapture::stop()
{
    if (!m_source)
        return ErrDeviceNotOpen;
    if (!m_capturing)
        return ErrNone;
    // readyRead comes in bursts; what the device holds now would be lost by
    // stopping without reading it first.
    collect();
    m_source->stop();
    m_input = nullptr;
    m_capturing = false;
    const bool failed = m_failed;
    m_failed = false;
    return failed ? ErrCapture : ErrNone;
}

QByteArray AudioSourceCapture::takeCaptured()
{
    collect();
    const qsizetype whole = m_frameBytes > 0 ? m_captured.size() - m_captured.size() % m_frameBytes : 0;
    QByteArray taken = m_captured.left(whole);
    m_captured.remove(0, whole);
    return taken;
}

int AudioSourceCapture::close()
{
    if (m_source) {
        m_source->stop();
        m_source.reset();
    }
    m_input = nullptr;
    m_capturing = false;
    m_captured.clear();
    m_failed = false;
    return ErrNone;
}

void AudioSourceCapture::collect()
{
    if (m_input)
        m_captured += m_input->readAll();
}
