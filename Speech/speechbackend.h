// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What the speech engine needs from a synthesiser and its audio output. The
// four set-up steps run once, in this order, each stopping the set-up when it
// raises: AppError for an error the learner is shown, Abort for a silent one.
class SpeechBackend
{
public:
    virtual ~SpeechBackend() = default;

    // Makes sure there is somewhere to play to; Abort when there is not.
    virtual void createAudioDest() = 0;
    // Brings the synthesiser up and lists its voices; AppError on failure.
    virtual void enumModes() = 0;
    // Takes the first English voice of the list; AppError on failure.
    virtual void loadFirstMode() = 0;
    // Selects that voice for speaking; Abort when there is none or it fails.
    virtual void selectMode() = 0;

    // Queues the text behind the texts given before and returns at once.
    // Abort when no voice is selected or the text is refused.
    virtual void speak(const QString &text) = 0;
};
