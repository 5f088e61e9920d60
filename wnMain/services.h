// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

class SpeechBackend;
class CaptureBackend;
class SoundPlayer;
class LinkOpener;
class LessonSource;
class MessageBoxes;

// The platform services the main window speaks through: the real ones for the
// program, doubles for the tests.
struct Services
{
    Services();
    Services(Services &&) noexcept;
    Services &operator=(Services &&) noexcept;
    ~Services();

    std::unique_ptr<SpeechBackend> speech;
    std::unique_ptr<CaptureBackend> capture;
    std::unique_ptr<SoundPlayer> player;
    std::unique_ptr<LinkOpener> links;
    std::unique_ptr<MessageBoxes> messages;
    // Shared by the window's data sets, which share what it has read.
    std::shared_ptr<LessonSource> lessons;

    static Services real();
};
