// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech/espeaklibrary.h"

#include "base/errors.h"

#include <QCoreApplication>

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <cstring>
#include <mutex>

namespace {
// Milliseconds of audio per chunk: small, so that the first words reach the
// sink soon after the text.
constexpr int kChunkMs = 20;

std::mutex &libraryMutex()
{
    static std::mutex mutex;
    return mutex;
}

int g_holders = 0;
// Once up, the library stays up: espeak-ng 1.51 hangs in espeak_ng_Terminate
// when it has been brought up a second time and has listed its voices.
bool g_up = false;
// The receiver of the synthesis running on this thread.
thread_local const EspeakLibrary::SampleReceiver *t_receiver = nullptr;

int onSamples(short *wav, int count, espeak_EVENT *)
{
    if (!t_receiver)
        return 1;
    if (!wav || count <= 0)
        return 0;
    return (*t_receiver)(reinterpret_cast<const qint16 *>(wav), count) ? 0 : 1;
}

QString statusMessage(espeak_ng_STATUS status)
{
    char text[512] = {};
    espeak_ng_GetStatusCodeMessage(status, text, sizeof text);
    QString message = QString::fromLocal8Bit(text).trimmed();
    if (message.isEmpty())
        message = QCoreApplication::translate("EspeakLibrary", "error %1")
                      .arg(uint(status), 8, 16, QLatin1Char('0'));
    return message;
}

bool hasLanguage(const espeak_VOICE *voice, const char *language)
{
    // languages: a priority byte, then a zero-terminated name, repeated; ends with a zero byte.
    const size_t len = std::strlen(language);
    for (const char *p = voice->languages; p && *p; p += std::strlen(p + 1) + 2) {
        const char *name = p + 1;
        if (std::strncmp(name, language, len) == 0 && (name[len] == '\0' || name[len] == '-'))
            return true;
    }
    return false;
}

QString firstLanguage(const espeak_VOICE *voice)
{
    return voice->languages && *voice->languages ? QString::fromLatin1(voice->languages + 1) : QString();
}
} // namespace

void EspeakLibrary::acquire()
{
    std::lock_guard lock(libraryMutex());
    if (g_up) {
        ++g_holders;
        return;
    }
    espeak_ng_InitializePath(nullptr);
    espeak_ng_ERROR_CONTEXT context = nullptr;
    espeak_ng_STATUS status = espeak_ng_Initialize(&context);
    espeak_ng_ClearErrorContext(&context);
    if (status == ENS_OK)
        status = espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, kChunkMs, nullptr);
    if (status != ENS_OK)
        throw AppError(
            QCoreApplication::translate("EspeakLibrary", "The speech engine eSpeak NG cannot start (%1).")
                .arg(statusMessage(status)));
    espeak_SetSynthCallback(onSamples);
    g_up = true;
    g_holders = 1;
}

void EspeakLibrary::release()
{
    std::lock_guard lock(libraryMutex());
    if (g_holders > 0)
        --g_holders;
}

QList<EspeakLibrary::VoiceInfo> EspeakLibrary::voices(const char *language)
{
    std::lock_guard lock(libraryMutex());
    QList<VoiceInfo> found;
    if (g_holders == 0)
        return found;
    espeak_VOICE filter;
    std::memset(&filter, 0, sizeof filter);
    filter.languages = language;
    // The library filters and ranks by language, but a close match of another
    // language can come through: keep only voices that really speak it.
    const espeak_VOICE **voices = espeak_ListVoices(&filter);
    for (int i = 0; voices && voices[i]; ++i) {
        if (hasLanguage(voices[i], language))
            found.append({QByteArray(voices[i]->name), QString::fromUtf8(voices[i]->identifier),
                          firstLanguage(voices[i])});
    }
    return found;
}

bool EspeakLibrary::selectVoice(const QByteArray &name)
{
    std::lock_guard lock(libraryMutex());
    if (g_holders == 0 || name.isEmpty())
        return false;
    return espeak_ng_SetVoiceByName(name.constData()) == ENS_OK;
}

int EspeakLibrary::sampleRate()
{
    std::lock_guard lock(libraryMutex());
    return g_holders > 0 ? espeak_ng_GetSampleRate() : 0;
}

bool EspeakLibrary::synthesise(const QString &text, const SampleReceiver &receiver)
{
    const QByteArray utf8 = text.toUtf8();
    std::lock_guard lock(libraryMutex());
    if (g_holders == 0)
        return false;
    t_receiver = &receiver;
    // The end pause keeps consecutive sentences apart, as a reader would.
    const espeak_ERROR result = espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                                             espeakCHARS_UTF8 | espeakENDPAUSE, nullptr, nullptr);
    t_receiver = nullptr;
    return result == EE_OK;
}
