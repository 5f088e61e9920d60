// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech/flitevoices.h"

#include "Speech/silencetrimmer.h"
#include "Speech/speechtext.h"
#include "Speech/voice.h"

#include <flite/flite.h>

#include <dlfcn.h>

#include <map>
#include <mutex>

namespace {

// An utterance is synthesised whole before its first sound: bound its size
// so that a long text without full stops still starts at once and never holds
// minutes of speech in memory. Digits count more, as each is read as a word.
constexpr int kUtteranceTokens = 40;
constexpr int kUtteranceWeight = 240;
constexpr int kDigitWeight = 5;

std::mutex &fliteMutex()
{
    static std::mutex mutex;
    return mutex;
}

// A registered voice stays for the life of the process, as its library does:
// registering again would give the same voice.
struct Registered
{
    cst_voice *voice = nullptr;
    cst_audio_streaming_info *streaming = nullptr;
    int rate = 0;
};
std::map<QString, Registered> g_registered; // under fliteMutex()

int boundedUttBreak(cst_tokenstream *ts, const char *token, cst_relation *tokens)
{
    int count = 0;
    int weight = 0;
    for (cst_item *item = relation_head(tokens); item; item = item_next(item)) {
        ++count;
        for (const char *c = item_name(item); c && *c; ++c)
            weight += *c >= '0' && *c <= '9' ? kDigitWeight : 1;
    }
    if (count >= kUtteranceTokens || weight >= kUtteranceWeight)
        return TRUE;
    return default_utt_break(ts, token, tokens);
}

struct Synthesis
{
    SilenceTrimmer *trimmer;
    bool refused = false;
};

int onChunk(const cst_wave *wave, int start, int size, int, cst_audio_streaming_info *info)
{
    auto *synthesis = static_cast<Synthesis *>(info->userdata);
    if (!synthesis || synthesis->refused)
        return CST_AUDIO_STREAM_STOP;
    if (size > 0 && !synthesis->trimmer->feed(wave->samples + start, size))
        synthesis->refused = true;
    return synthesis->refused ? CST_AUDIO_STREAM_STOP : CST_AUDIO_STREAM_CONT;
}

bool isVoiceName(const QString &name)
{
    if (name.isEmpty())
        return false;
    for (QChar c : name) {
        if (!(c.isDigit() || (c >= u'a' && c <= u'z') || c == u'_'))
            return false;
    }
    return true;
}

// Under fliteMutex(), as all that follows.
void initialiseFlite()
{
    static bool initialised = false;
    if (!initialised)
        flite_init();
    initialised = true;
}

Registered *registerVoice(const QString &name)
{
    const auto found = g_registered.find(name);
    if (found != g_registered.end())
        return &found->second;
    if (!isVoiceName(name))
        return nullptr;
    const QByteArray library = "libflite_" + name.toLatin1() + ".so.1";
    void *handle = dlopen(library.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return nullptr;
    using RegisterFunction = cst_voice *(*)(const char *);
    const QByteArray symbol = "register_" + name.toLatin1();
    auto registerFunction = reinterpret_cast<RegisterFunction>(dlsym(handle, symbol.constData()));
    cst_voice *voice = registerFunction ? registerFunction(nullptr) : nullptr;
    if (!voice) {
        dlclose(handle);
        return nullptr;
    }
    const int rate = flite_get_param_int(voice->features, "sample_rate", 0);
    if (rate <= 0)
        return nullptr;
    const cst_val *breaker = flite_get_param_val(voice->features, "utt_break", nullptr);
    if (!breaker || val_breakfunc(breaker) == &default_utt_break)
        flite_feat_set(voice->features, "utt_break", breakfunc_val(&boundedUttBreak));
    Registered registered;
    registered.voice = voice;
    registered.rate = rate;
    registered.streaming = new_audio_streaming_info();
    registered.streaming->asc = &onChunk;
    flite_feat_set(voice->features, "streaming_info", audio_streaming_info_val(registered.streaming));
    return &g_registered.emplace(name, registered).first->second;
}

class FliteVoice : public Voice
{
public:
    FliteVoice(QString name, const Registered &registered)
        : m_name(std::move(name))
        , m_registered(registered)
    {}

    QString name() const override { return m_name; }
    QString language() const override { return QStringLiteral("en-us"); }
    int sampleRate() const override { return m_registered.rate; }

    bool synthesise(const QString &text, const SampleReceiver &receiver) override
    {
        const QByteArray plain = plainSpeechText(text);
        if (plain.trimmed().isEmpty())
            return true;
        SilenceTrimmer trimmer(SilenceTrimmer::speechShape(m_registered.rate), receiver);
        Synthesis synthesis{&trimmer};
        {
            std::lock_guard lock(fliteMutex());
            const cst_features *features = m_registered.voice->features;
            cst_tokenstream *tokens = ts_open_string(
                plain.constData(),
                flite_get_param_string(features, "text_whitespace", cst_ts_default_whitespacesymbols),
                flite_get_param_string(features, "text_singlecharsymbols", cst_ts_default_singlecharsymbols),
                flite_get_param_string(features, "text_prepunctuation", cst_ts_default_prepunctuationsymbols),
                flite_get_param_string(features, "text_postpunctuation",
                                       cst_ts_default_postpunctuationsymbols));
            if (!tokens)
                return false;
            m_registered.streaming->userdata = &synthesis;
            // Closes the token stream; "none": the audio goes only to the callback.
            flite_ts_to_speech(tokens, m_registered.voice, "none");
            m_registered.streaming->userdata = nullptr;
        }
        if (!synthesis.refused)
            trimmer.finish();
        return true;
    }

private:
    QString m_name;
    Registered m_registered;
};

} // namespace

QStringList FliteVoices::defaultVoices()
{
    return {QStringLiteral("cmu_us_rms"), QStringLiteral("cmu_us_awb"), QStringLiteral("cmu_us_kal16"),
            QStringLiteral("cmu_us_slt")};
}

FliteVoices::FliteVoices(QStringList names)
    : m_names(std::move(names))
{}

QStringList FliteVoices::open()
{
    std::lock_guard lock(fliteMutex());
    initialiseFlite();
    return m_names;
}

std::unique_ptr<Voice> FliteVoices::load(const QString &name)
{
    std::lock_guard lock(fliteMutex());
    if (!m_names.contains(name))
        return nullptr;
    initialiseFlite();
    const Registered *registered = registerVoice(name);
    if (!registered)
        return nullptr;
    return std::make_unique<FliteVoice>(name, *registered);
}
