// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recorder/soundplayer.h"

#include <QSoundEffect>

class SoundEffectPlayer : public SoundPlayer
{
public:
    explicit SoundEffectPlayer(std::function<void()> alert);
    ~SoundEffectPlayer() override;

    void play(const QString &fileName) override;

private:
    std::function<void()> m_alert;
    std::unique_ptr<QSoundEffect> m_effect;
};
