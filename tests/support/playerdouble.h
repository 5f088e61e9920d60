// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recorder/soundplayer.h"

#include <QStringList>

#include <memory>

// A player for tests: it plays nothing and lists the files it was asked to
// play, in a list shared with the test so that it stays reachable after the
// player has been handed over.
class PlayerDouble : public SoundPlayer
{
public:
    std::shared_ptr<QStringList> played = std::make_shared<QStringList>();

    void play(const QString &fileName) override { played->append(fileName); }
};
