// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recorder/soundplayer.h"

#include <QSoundEffect>
#include <QTemporaryFile>

class SoundEffectPlayer : public SoundPlayer
{
public:
    explicit SoundEffectPlayer(std::function<void()> alert);
    ~SoundEffectPlayer() override;

    void play(const QString &fileName) override;

private:
    std::function<void()> m_alert;
    std::unique_ptr<QSoundEffect> m_effect;
    // The copy that m_effect plays.
    std::unique_ptr<QTemporaryFile> m_copy;
    quint64 m_plays = 0;
};
