// SPDX-License-Identifier: GPL-3.0-or-later
// Runs with PULSE_SERVER leading nowhere: there is no audio output at all.
#include "Speech/speechengine.h"
#include "Speech/voice.h"
#include "base/errors.h"
#include "support/voicebackends.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {
class EnvOverride
{
public:
    EnvOverride(const char *name, const QByteArray &value)
        : m_name(name)
        , m_had(qEnvironmentVariableIsSet(name))
        , m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~EnvOverride()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};
} // namespace

using FliteVoiceList = std::optional<QStringList>;
Q_DECLARE_METATYPE(FliteVoiceList)

class TestSpeechNoAudio : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // A synthesiser would happily "speak" into nothing, so the missing output
    // must stop the set-up at its first step, silently.
    void setUpAbortsSilentlyAndSpeakDoesNothing()
    {
        std::unique_ptr<SpeechBackend> backend = makeSpeechBackend();
        auto &b = dynamic_cast<VoiceBackend &>(*backend);
        SpeechEngine engine(std::move(backend));
        QVERIFY_THROWS_EXCEPTION(Abort, engine.InitSpeech());
        QVERIFY(!b.isSelected());
        QCOMPARE(b.voiceCount(), 0); // stopped before the voices were listed
        QVERIFY_THROWS_EXCEPTION(Abort, engine.Speak(QStringLiteral("Good morning.")));
        QVERIFY_THROWS_EXCEPTION(Abort, engine.Speak(QString()));
        QCOMPARE(b.framesSynthesised(), 0);
    }

    void withoutEspeakData_data()
    {
        QTest::addColumn<FliteVoiceList>("fliteVoices");
        QTest::addColumn<QString>("voice"); // empty: the error box

        QTest::newRow("espeak-ng alone") << FliteVoiceList() << QString();
#ifdef DARO_WITH_FLITE
        QTest::newRow("no Flite voice loads")
            << FliteVoiceList(QStringList{QStringLiteral("cmu_us_nosuch")}) << QString();
        QTest::newRow("a Flite voice loads")
            << FliteVoiceList(FliteVoices::defaultVoices()) << FliteVoices::defaultVoices().constFirst();
#endif
    }

    // Missing espeak-ng data is an error the learner is shown, not a silent
    // abort, and it must not end the program; unless a Flite voice speaks.
    // Runs before espeak-ng is first brought up: after that it stays up.
    void withoutEspeakData()
    {
        QFETCH(FliteVoiceList, fliteVoices);
        QFETCH(QString, voice);

        QTemporaryDir empty;
        QVERIFY(empty.isValid());
        EnvOverride data("ESPEAK_DATA_PATH", QFile::encodeName(empty.path()));
        const auto backend = voiceBackendWith(fliteVoices);
        try {
            backend->enumModes();
            backend->loadFirstMode();
            QVERIFY2(!voice.isEmpty(), "setting up without voice data succeeded");
        } catch (const Abort &) {
            QFAIL("missing voice data was a silent abort");
        } catch (const AppError &e) {
            QVERIFY2(voice.isEmpty(), qPrintable(e.message()));
            QVERIFY(!e.message().trimmed().isEmpty());
        }
        QCOMPARE(backend->voice() ? backend->voice()->name() : QString(), voice);
        QVERIFY_THROWS_EXCEPTION(Abort, backend->selectMode());
        QVERIFY_THROWS_EXCEPTION(Abort, backend->speak(QStringLiteral("Hello.")));
    }

    void voicesWithoutOutput_data()
    {
        QTest::addColumn<FliteVoiceList>("fliteVoices");
        QTest::addColumn<QString>("voice"); // empty: an English espeak-ng voice

#ifdef DARO_WITH_FLITE
        QTest::newRow("Flite first") << FliteVoiceList(FliteVoices::defaultVoices())
                                     << FliteVoices::defaultVoices().constFirst();
#endif
        QTest::newRow("espeak-ng alone") << FliteVoiceList() << QString();
    }

    // With voice data but no output: the voices are listed, the first that
    // loads is chosen, and selecting it still fails for want of somewhere to
    // play.
    void voicesWithoutOutput()
    {
        QFETCH(FliteVoiceList, fliteVoices);
        QFETCH(QString, voice);

        const auto backend = voiceBackendWith(fliteVoices);
        backend->enumModes();
        QVERIFY(backend->voiceCount() > 1);
        backend->loadFirstMode();
        QVERIFY2(backend->voice(), "no voice loaded");
        if (!voice.isEmpty())
            QCOMPARE(backend->voice()->name(), voice);
        QVERIFY2(backend->voice()->language().startsWith(QLatin1String("en")),
                 qPrintable(backend->voice()->language()));
        QVERIFY_THROWS_EXCEPTION(Abort, backend->selectMode());
        QVERIFY_THROWS_EXCEPTION(Abort, backend->speak(QStringLiteral("Hello.")));
    }
};

QTEST_GUILESS_MAIN(TestSpeechNoAudio)
#include "tst_speechnoaudio.moc"
