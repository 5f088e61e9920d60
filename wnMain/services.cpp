// SPDX-License-Identifier: GPL-3.0-or-later
#include "wnMain/services.h"

#include "Speech/backgroundspeechbackend.h"
#include "Speech/voicebackend.h"
#include "controls/linkopener.h"
#include "controls/messageboxes.h"
#include "lessons/lessonsource.h"
#include "pronunciation/readinglistener.h"
#include "recorder/capturebackend.h"
#include "recorder/soundplayer.h"

#include <QApplication>

Services::Services() = default;
Services::Services(Services &&) noexcept = default;
Services &Services::operator=(Services &&) noexcept = default;
Services::~Services() = default;

Services Services::real()
{
    Services services;
    // Set up while the window is built; InitSpeech takes the outcome.
    services.speech = std::make_unique<BackgroundSpeechBackend>(makeSpeechBackend());
    services.capture = makeAudioSourceCapture();
    // Loads nothing until the first recording is checked.
    services.listener = makeReadingListener();
    services.player = makeSoundEffectPlayer([] { QApplication::beep(); });
    services.links = std::make_unique<DesktopLinkOpener>();
    services.messages = std::make_unique<QtMessageBoxes>();
    services.lessons = std::make_shared<ReaderLessonSource>();
    return services;
}
