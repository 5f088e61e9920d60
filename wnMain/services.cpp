// SPDX-License-Identifier: GPL-3.0-or-later
#include "wnMain/services.h"

#include "Speech/voicebackend.h"
#include "recorder/capturebackend.h"
#include "recorder/soundplayer.h"
#include "wnMain/linkopener.h"
#include "wnMain/messageboxes.h"

Services::Services() = default;
Services::Services(Services &&) noexcept = default;
Services &Services::operator=(Services &&) noexcept = default;
Services::~Services() = default;

Services Services::real()
{
    Services services;
    services.speech = makeSpeechBackend();
    services.capture = makeAudioSourceCapture();
    services.player = makeSoundEffectPlayer();
    services.links = std::make_unique<DesktopLinkOpener>();
    services.messages = std::make_unique<QtMessageBoxes>();
    return services;
}
