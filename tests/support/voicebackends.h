// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Speech/espeakvoices.h"
#include "Speech/voicebackend.h"
#ifdef DARO_WITH_FLITE
#include "Speech/flitevoices.h"
#endif

#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// A backend of the given Flite voices (none: Flite left out, as in a build
// without it), then espeak-ng's English voices.
inline std::unique_ptr<VoiceBackend> voiceBackendWith(const std::optional<QStringList> &fliteVoices)
{
    std::vector<std::unique_ptr<VoiceFamily>> families;
#ifdef DARO_WITH_FLITE
    if (fliteVoices)
        families.push_back(std::make_unique<FliteVoices>(*fliteVoices));
#else
    Q_UNUSED(fliteVoices);
#endif
    families.push_back(std::make_unique<EspeakVoices>());
    return std::make_unique<VoiceBackend>(std::move(families));
}

// The voice the program speaks with when every voice loads.
inline QString firstVoiceName()
{
#ifdef DARO_WITH_FLITE
    return FliteVoices::defaultVoices().constFirst();
#else
    return EspeakVoices().open().value(0);
#endif
}
