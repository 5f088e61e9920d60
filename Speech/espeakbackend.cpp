// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech/espeakbackend.h"

#include "Speech/audioplayer.h"
#include "Speech/espeaksynthesiser.h"
#include "Speech/pcmpipe.h"
#include "base/errors.h"

#include <QAudioFormat>
#include <QMediaDevices>

namespace {
// espeak-ng's own voices all speak at this rate; the sink is reopened in the
// rare case that the selected voice does not.
constexpr int kDefaultRate = 22050;
// Synthesised audio allowed to wait for the sink.
constexpr qint64 kAheadMicroseconds = 500000;

QAudioFormat monoFormat(int rate)
{
    QAudioFormat format;
    format.setSampleRate(rate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

bool openPlayer(AudioPlayer &player, const QAudioDevice &device, int rate)
{
    const QAudioFormat format = monoFormat(rate);
    return player.open(device, format, format.bytesForDuration(kAheadMicroseconds));
}
} // namespace

EspeakBackend::EspeakBackend() = default;

EspeakBackend::~EspeakBackend()
{
    m_synth.reset();
    m_player.reset();
    if (m_libraryHeld)
        EspeakLibrary::release();
}

void EspeakBackend::createAudioDest()
{
    m_synth.reset();
    m_player.reset();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        throw Abort();
    auto player = std::make_unique<AudioPlayer>();
    if (!openPlayer(*player, device, kDefaultRate))
        throw Abort();
    m_player = std::move(player);
}

void EspeakBackend::enumModes()
{
    if (!m_libraryHeld) {
        EspeakLibrary::acquire();
        m_libraryHeld = true;
    }
    m_voiceCount = EspeakLibrary::voiceCount();
}

void EspeakBackend::loadFirstMode()
{
    m_voice = EspeakLibrary::firstVoice("en");
}

void EspeakBackend::selectMode()
{
    m_synth.reset();
    if (!m_player || !m_libraryHeld || m_voice.isNull() || !EspeakLibrary::selectVoice(m_voice))
        throw Abort();
    const int rate = EspeakLibrary::sampleRate();
    if (rate != m_player->format().sampleRate()) {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull() || !openPlayer(*m_player, device, rate))
            throw Abort();
    }
    m_player->pipe()->reopenWrite();
    m_synth = std::make_unique<EspeakSynthesiser>(m_player->pipe());
}

void EspeakBackend::speak(const QString &text)
{
    if (!m_synth || m_player->failed())
        throw Abort();
    if (text.isEmpty())
        return;
    m_synth->enqueue(text);
}

bool EspeakBackend::isIdle() const
{
    return !m_synth || (m_synth->isIdle() && m_player->pipe()->buffered() == 0);
}

qint64 EspeakBackend::framesSynthesised() const
{
    return m_synth ? m_synth->samplesSynthesised() : 0;
}

qint64 EspeakBackend::framesToSink() const
{
    return m_player && m_player->pipe() ? m_player->pipe()->audioBytesRead() / 2 : 0;
}

int EspeakBackend::textsFinished() const
{
    return m_synth ? m_synth->textsFinished() : 0;
}

std::unique_ptr<SpeechBackend> makeEspeakBackend()
{
    return std::make_unique<EspeakBackend>();
}
