// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

class SpeechBackend;
class CaptureBackend;
class SoundPlayer;
class LinkOpener;
class LessonSource;
class MessageBoxes;
class ReadingListener;
class ErrorBox;

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
    // Listens to the learner's reading as it is recorded; none: the Read
    // page records and marks nothing.
    std::unique_ptr<ReadingListener> listener;
    std::unique_ptr<SoundPlayer> player;
    std::unique_ptr<LinkOpener> links;
    std::unique_ptr<MessageBoxes> messages;
    // Shared by the window's data sets, which share what it has read.
    std::shared_ptr<LessonSource> lessons;
    // Where errors that escape the window's handlers go: the application's
    // error box, shared with it and the dialogs, and not owned here.
    ErrorBox *errors = nullptr;

    static Services real();
};
