// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <memory>

// Plays a wave file in the background.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;

    // Starts playing the file and returns at once; a sound still playing from
    // an earlier call stops first. Failures show nothing.
    virtual void play(const QString &fileName) = 0;
};

// Plays with QSoundEffect on the default sound output. A file that is missing,
// not a playable PCM wave file or without samples, or that the output refuses,
// gives the alert instead (the program's is QApplication::beep(), given by the
// window layer: this layer has no widgets).
std::unique_ptr<SoundPlayer> makeSoundEffectPlayer(std::function<void()> alert);
