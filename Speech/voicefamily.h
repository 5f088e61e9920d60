// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <memory>

class Voice;

// The voices of one synthesiser, in the order they are to be tried.
class VoiceFamily
{
public:
    virtual ~VoiceFamily() = default;

    // Brings the synthesiser up and lists its voices, best first; AppError
    // with the synthesiser's own message when it cannot come up.
    virtual QStringList open() = 0;
    // The output rate of most of its voices, so that the sink can be opened
    // at it before a voice is chosen.
    virtual int usualSampleRate() const = 0;
    // One of the listed voices ready to speak; null when it does not load.
    // The voice must not outlive the family.
    virtual std::unique_ptr<Voice> load(const QString &name) = 0;
};
