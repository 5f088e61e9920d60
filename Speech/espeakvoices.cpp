// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech/espeakvoices.h"

#include "Speech/espeaklibrary.h"

namespace {
class EspeakVoice : public Voice
{
public:
    EspeakVoice(EspeakLibrary::VoiceInfo info, int rate)
        : m_info(std::move(info))
        , m_rate(rate)
    {}

    QString name() const override { return QString::fromUtf8(m_info.name); }
    QString language() const override { return m_info.language; }
    int sampleRate() const override { return m_rate; }
    bool synthesise(const QString &text, const SampleReceiver &receiver) override
    {
        return EspeakLibrary::synthesise(text, receiver);
    }

private:
    EspeakLibrary::VoiceInfo m_info;
    int m_rate;
};
} // namespace

EspeakVoices::EspeakVoices(QStringList only)
    : m_only(std::move(only))
{}

EspeakVoices::~EspeakVoices()
{
    if (m_held)
        EspeakLibrary::release();
}

QStringList EspeakVoices::open()
{
    if (!m_held) {
        EspeakLibrary::acquire();
        m_held = true;
    }
    QStringList names;
    for (const EspeakLibrary::VoiceInfo &info : EspeakLibrary::voices("en")) {
        const QString name = QString::fromUtf8(info.name);
        if (m_only.isEmpty() || m_only.contains(name))
            names << name;
    }
    return names;
}

std::unique_ptr<Voice> EspeakVoices::load(const QString &name)
{
    if (!m_held)
        return nullptr;
    for (EspeakLibrary::VoiceInfo &info : EspeakLibrary::voices("en")) {
        if (QString::fromUtf8(info.name) == name && EspeakLibrary::selectVoice(info.name))
            return std::make_unique<EspeakVoice>(std::move(info), EspeakLibrary::sampleRate());
    }
    return nullptr;
}
