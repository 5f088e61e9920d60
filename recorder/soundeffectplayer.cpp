// SPDX-License-Identifier: GPL-3.0-or-later
#include "recorder/soundeffectplayer.h"

#include "recorder/waveheader.h"

#include <QApplication>
#include <QFile>
#include <QUrl>

namespace {

constexpr qint64 kHeaderReadLimit = 64 * 1024;

bool isPlayableWave(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const std::optional<WaveInfo> info = parseWaveHeader(file.read(kHeaderReadLimit));
    return info && isPlainPcm(*info);
}

} // namespace

std::unique_ptr<SoundPlayer> makeSoundEffectPlayer(std::function<void()> alert)
{
    if (!alert)
        alert = [] { QApplication::beep(); };
    return std::make_unique<SoundEffectPlayer>(std::move(alert));
}

SoundEffectPlayer::SoundEffectPlayer(std::function<void()> alert)
    : m_alert(std::move(alert))
{}

SoundEffectPlayer::~SoundEffectPlayer() = default;

void SoundEffectPlayer::play(const QString &fileName)
{
    // A fresh effect for every call: QSoundEffect keeps a decoded copy of a
    // file for as long as some effect refers to it, and the recording changes
    // between plays under the same name.
    if (m_effect)
        m_effect->stop();
    m_effect.reset();

    if (!isPlayableWave(fileName)) {
        m_alert();
        return;
    }
    m_effect = std::make_unique<QSoundEffect>();
    QSoundEffect *effect = m_effect.get();
    QObject::connect(effect, &QSoundEffect::statusChanged, effect, [this, effect] {
        if (effect->status() == QSoundEffect::Error)
            m_alert();
    });
    effect->setSource(QUrl::fromLocalFile(fileName));
    effect->play();
}
