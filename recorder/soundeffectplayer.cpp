// SPDX-License-Identifier: GPL-3.0-or-later
#include "recorder/soundeffectplayer.h"

#include "recorder/waveheader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QUrl>

std::unique_ptr<SoundPlayer> makeSoundEffectPlayer(std::function<void()> alert)
{
    return std::make_unique<SoundEffectPlayer>(std::move(alert));
}

SoundEffectPlayer::SoundEffectPlayer(std::function<void()> alert)
    : m_alert(std::move(alert))
{}

SoundEffectPlayer::~SoundEffectPlayer()
{
    m_effect.reset();
}

void SoundEffectPlayer::play(const QString &fileName)
{
    if (m_effect)
        m_effect->stop();
    m_effect.reset();
    m_copy.reset();

    QFile file(fileName);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const std::optional<WaveInfo> info = parseWaveHeader(bytes);
    // A file with no whole sample has nothing to play.
    if (!info || !isPlainPcm(*info) || info->dataOffset + info->blockAlign > bytes.size()) {
        m_alert();
        return;
    }

    // QSoundEffect keeps decoded sounds by URL, and it may hand out the old
    // sound of a file that has changed since, as the recording does between
    // plays. So each play gets a copy under a name never used before, which
    // also keeps a new recording from truncating the file while it plays.
    ++m_plays;
    m_copy = std::make_unique<QTemporaryFile>(QStringLiteral("%1/daro-play-%2-%3-XXXXXX.wav")
                                                  .arg(QDir::tempPath())
                                                  .arg(QCoreApplication::applicationPid())
                                                  .arg(m_plays));
    if (!m_copy->open() || m_copy->write(bytes) != bytes.size() || !m_copy->flush()) {
        m_copy.reset();
        m_alert();
        return;
    }
    m_copy->close();

    m_effect = std::make_unique<QSoundEffect>();
    QSoundEffect *effect = m_effect.get();
    QObject::connect(effect, &QSoundEffect::statusChanged, effect, [this, effect] {
        if (effect->status() == QSoundEffect::Error)
            m_alert();
    });
    effect->setSource(QUrl::fromLocalFile(m_copy->fileName()));
    effect->play();
}
