// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech/voicebackend.h"

#include "Speech/audioplayer.h"
#include "Speech/espeakvoices.h"
#include "Speech/pcmpipe.h"
#include "Speech/synthesisqueue.h"
#include "Speech/voice.h"
#include "base/errors.h"
#ifdef DARO_WITH_FLITE
#include "Speech/flitevoices.h"
#endif

#include <QAudioFormat>
#include <QMediaDevices>

namespace {
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

VoiceBackend::VoiceBackend(std::vector<std::unique_ptr<VoiceFamily>> families)
    : m_families(std::move(families))
{}

VoiceBackend::~VoiceBackend()
{
    // The thread speaks through the voice into the player's pipe, and a voice
    // needs its synthesiser.
    m_queue.reset();
    m_voice.reset();
    m_player.reset();
    m_families.clear();
}

void VoiceBackend::createAudioDest()
{
    m_queue.reset();
    m_player.reset();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || m_families.empty())
        throw Abort();
    // At the rate of the voice most likely chosen, so that the sink is
    // opened only once.
    auto player = std::make_unique<AudioPlayer>();
    if (!openPlayer(*player, device, m_families.front()->usualSampleRate()))
        throw Abort();
    m_player = std::move(player);
}

void VoiceBackend::enumModes()
{
    m_listed.clear();
    m_opened = 0;
    m_openError.reset();
    if (!openNextFamily() && m_openError)
        throw AppError(*m_openError);
}

void VoiceBackend::loadFirstMode()
{
    m_queue.reset();
    m_voice.reset();
    size_t next = 0;
    do {
        for (; next < m_listed.size(); ++next) {
            m_voice = m_listed[next].family->load(m_listed[next].name);
            if (m_voice)
                return;
        }
    } while (openNextFamily());
    // Nothing speaks: a synthesiser that could not come up says why.
    if (m_openError)
        throw AppError(*m_openError);
}

bool VoiceBackend::openNextFamily()
{
    while (m_opened < m_families.size()) {
        VoiceFamily &family = *m_families[m_opened++];
        try {
            for (const QString &name : family.open())
                m_listed.push_back({&family, name});
            return true;
        } catch (const Abort &) {
            throw;
        } catch (const AppError &e) {
            if (!m_openError)
                m_openError = e.message();
        }
    }
    return false;
}

void VoiceBackend::selectMode()
{
    m_queue.reset();
    if (!m_player || !m_voice)
        throw Abort();
    const int rate = m_voice->sampleRate();
    if (rate != m_player->format().sampleRate()) {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (rate <= 0 || device.isNull() || !openPlayer(*m_player, device, rate))
            throw Abort();
    }
    m_player->pipe()->reopenWrite();
    m_queue = std::make_unique<SynthesisQueue>(m_voice.get(), m_player->pipe());
}

void VoiceBackend::speak(const QString &text)
{
    if (!m_queue || m_player->failed())
        throw Abort();
    if (text.isEmpty())
        return;
    m_queue->enqueue(text);
}

bool VoiceBackend::isIdle() const
{
    return !m_queue || (m_queue->isIdle() && m_player->pipe()->buffered() == 0);
}

qint64 VoiceBackend::framesSynthesised() const
{
    return m_queue ? m_queue->samplesSynthesised() : 0;
}

qint64 VoiceBackend::framesToSink() const
{
    return m_player && m_player->pipe() ? m_player->pipe()->audioBytesRead() / 2 : 0;
}

int VoiceBackend::textsFinished() const
{
    return m_queue ? m_queue->textsFinished() : 0;
}

std::unique_ptr<SpeechBackend> makeSpeechBackend()
{
    std::vector<std::unique_ptr<VoiceFamily>> families;
#ifdef DARO_WITH_FLITE
    families.push_back(std::make_unique<FliteVoices>());
#endif
    families.push_back(std::make_unique<EspeakVoices>());
    return std::make_unique<VoiceBackend>(std::move(families));
}
