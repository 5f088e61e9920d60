// SPDX-License-Identifier: GPL-3.0-or-later
// Runs with PULSE_SERVER leading nowhere: there is no audio output at all.
#include "Speech/espeakbackend.h"
#include "Speech/speechengine.h"
#include "base/errors.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

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

class TestEspeakNoAudio : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The synthesiser would happily "speak" into nothing, so the missing output
    // must stop the set-up at its first step, silently.
    void setUpAbortsSilentlyAndSpeakDoesNothing()
    {
        auto backend = std::make_unique<EspeakBackend>();
        EspeakBackend &b = *backend;
        SpeechEngine engine(std::move(backend));
        QVERIFY_THROWS_EXCEPTION(Abort, engine.InitSpeech());
        QVERIFY(!b.isSelected());
        QCOMPARE(b.voiceCount(), 0); // stopped before the voices were listed
        QVERIFY_THROWS_EXCEPTION(Abort, engine.Speak(QStringLiteral("Good morning.")));
        QVERIFY_THROWS_EXCEPTION(Abort, engine.Speak(QString()));
        QCOMPARE(b.framesSynthesised(), 0);
    }

    // Missing voice data is an error the learner is shown, not a silent abort,
    // and it must not end the program.
    void missingVoiceDataIsShown()
    {
        QTemporaryDir empty;
        QVERIFY(empty.isValid());
        EnvOverride data("ESPEAK_DATA_PATH", QFile::encodeName(empty.path()));
        EspeakBackend backend;
        try {
            backend.enumModes();
            QFAIL("listing voices without voice data succeeded");
        } catch (const Abort &) {
            QFAIL("missing voice data was a silent abort");
        } catch (const AppError &e) {
            QVERIFY(!e.message().trimmed().isEmpty());
        }
        QVERIFY_THROWS_EXCEPTION(Abort, backend.selectMode());
        QVERIFY_THROWS_EXCEPTION(Abort, backend.speak(QStringLiteral("Hello.")));
    }

    // With voice data but no output: the voices are listed, an English one is
    // chosen, and selecting it still fails for want of somewhere to play.
    void voicesWithoutOutput()
    {
        EspeakBackend backend;
        backend.enumModes();
        QVERIFY(backend.voiceCount() > 1);
        backend.loadFirstMode();
        QVERIFY2(!backend.voice().isNull(), "no English voice found");
        QVERIFY2(backend.voice().language.startsWith(QLatin1String("en")),
                 qPrintable(backend.voice().language));
        QVERIFY_THROWS_EXCEPTION(Abort, backend.selectMode());
        QVERIFY_THROWS_EXCEPTION(Abort, backend.speak(QStringLiteral("Hello.")));
    }
};

QTEST_GUILESS_MAIN(TestEspeakNoAudio)
#include "tst_espeaknoaudio.moc"
