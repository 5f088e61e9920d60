// SPDX-License-Identifier: GPL-3.0-or-later
// Runs against the private test sound server: what is spoken is recorded back
// from the sink's monitor.
#include "Speech/speechengine.h"
#include "Speech/voice.h"
#include "base/errors.h"
#include "support/monitorcapture.h"
#include "support/soundstretches.h"
#include "support/voicebackends.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
constexpr int kRate = 22050;
// Silence that separates two texts: each ends with a sentence pause of 0.2 s,
// while the gaps between words without punctuation are far shorter.
constexpr double kTextGap = 0.175;

const QString kShort = QStringLiteral("Good morning.");
const QString kLong = QStringLiteral("Thank you very much for coming to see me today");

QString describe(const QList<Stretch> &stretches)
{
    QStringList parts;
    for (const auto &s : stretches)
        parts << QStringLiteral("%1s@%2").arg(s.length, 0, 'f', 3).arg(s.start, 0, 'f', 2);
    return parts.join(QLatin1Char(' '));
}
} // namespace

class TestVoiceBackend : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir; // the monitor's recordings
    std::unique_ptr<SpeechEngine> m_engine;
    VoiceBackend *m_backend = nullptr;
    double m_shortLength = 0;
    double m_longLength = 0;
    qint64 m_shortFrames = 0;
    qint64 m_longFrames = 0;

    // Speaks the texts one right after another and records until all of it
    // has been played.
    QList<Stretch> speakAndRecord(const QStringList &texts)
    {
        MonitorCapture recorder(m_dir.filePath(QStringLiteral("monitor.raw")), kRate);
        if (!recorder.start()) {
            qWarning("%s", qPrintable(recorder.errorString()));
            return {};
        }
        for (const QString &text : texts)
            m_engine->Speak(text);
        // Generous waits for playback, not measurements.
        if (!QTest::qWaitFor([&] { return m_backend->isIdle(); }, 30000))
            qWarning("the backend never went idle");
        QTest::qWait(1000);
        recorder.stop();
        return soundingStretches(recorder.samples(), kRate, kTextGap);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        std::unique_ptr<SpeechBackend> backend = makeSpeechBackend();
        m_backend = dynamic_cast<VoiceBackend *>(backend.get());
        QVERIFY(m_backend);
        m_engine = std::make_unique<SpeechEngine>(std::move(backend));
        try {
            m_engine->InitSpeech();
        } catch (const AppError &e) {
            QFAIL(qPrintable(QStringLiteral("set-up failed: ") + e.message()));
        }
        QVERIFY(m_backend->isSelected());
        QCOMPARE(m_backend->voice()->name(), firstVoiceName());

        // Each text alone, as the reference for the texts spoken together.
        qint64 made = m_backend->framesSynthesised();
        const auto shortAlone = speakAndRecord({kShort});
        m_shortFrames = m_backend->framesSynthesised() - made;
        made = m_backend->framesSynthesised();
        QVERIFY2(shortAlone.size() == 1, qPrintable(describe(shortAlone)));
        const auto longAlone = speakAndRecord({kLong});
        m_longFrames = m_backend->framesSynthesised() - made;
        QVERIFY2(longAlone.size() == 1, qPrintable(describe(longAlone)));
        m_shortLength = shortAlone.first().length;
        m_longLength = longAlone.first().length;
        qInfo("alone: %s / %s", qPrintable(describe(shortAlone)), qPrintable(describe(longAlone)));
        QVERIFY2(m_longLength > 2 * m_shortLength, "the two texts must be told apart by length");

        QVERIFY(m_shortFrames > 0 && m_longFrames > m_shortFrames);
    }

    void cleanupTestCase() { m_engine.reset(); }

    void textsAreHeardWholeAndInOrder_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("heard"); // S: the short text's sound, L: the long one's

        QTest::newRow("short then long") << QStringList{kShort, kLong} << QStringList{"S", "L"};
        QTest::newRow("long then short twice")
            << QStringList{kLong, kShort, kShort} << QStringList{"L", "S", "S"};
        QTest::newRow("line break inside a text")
            << QStringList{kShort + QStringLiteral("\r\n") + kShort} << QStringList{"S", "S"};
    }

    // Each text is heard after the one before it, whole: none cuts another
    // off, none is dropped, and all the audio made reaches the sink.
    void textsAreHeardWholeAndInOrder()
    {
        QFETCH(QStringList, texts);
        QFETCH(QStringList, heard);

        qint64 expectedFrames = 0;
        for (const QString &text : texts)
            expectedFrames += text == kShort ? m_shortFrames : text == kLong ? m_longFrames : 0;
        const qint64 madeBefore = m_backend->framesSynthesised();
        const qint64 toSinkBefore = m_backend->framesToSink();

        const auto stretches = speakAndRecord(texts);
        QVERIFY2(stretches.size() == heard.size(), qPrintable(describe(stretches)));
        double expectedTotal = 0;
        for (qsizetype i = 0; i < heard.size(); ++i) {
            const double expected = heard[i] == QLatin1String("S") ? m_shortLength : m_longLength;
            expectedTotal += expected;
            QVERIFY2(qAbs(stretches[i].length - expected) < 0.1 + 0.05 * expected,
                     qPrintable(QStringLiteral("stretch %1 is %2 s, expected %3 s; heard: %4")
                                    .arg(i)
                                    .arg(stretches[i].length)
                                    .arg(expected)
                                    .arg(describe(stretches))));
        }
        QVERIFY(qAbs(totalLength(stretches) - expectedTotal) < 0.1 * heard.size());
        // Everything synthesised went to the sink, and it was what the texts
        // make alone (a synthesiser may carry a little state from text to text).
        const qint64 made = m_backend->framesSynthesised() - madeBefore;
        QCOMPARE(m_backend->framesToSink() - toSinkBefore, made);
        if (expectedFrames > 0)
            QVERIFY2(qAbs(made - expectedFrames) <= expectedFrames / 100,
                     qPrintable(QStringLiteral("%1 frames made, %2 expected").arg(made).arg(expectedFrames)));
    }

    void emptyTextSpeaksNothing()
    {
        const qint64 made = m_backend->framesSynthesised();
        const int finished = m_backend->textsFinished();
        MonitorCapture recorder(m_dir.filePath(QStringLiteral("monitor.raw")), kRate);
        QVERIFY2(recorder.start(), qPrintable(recorder.errorString()));
        try {
            m_engine->Speak(QString());
        } catch (const AppError &) {
            QFAIL("an empty text raised");
        }
        QTest::qWait(1000);
        recorder.stop();
        const auto stretches = soundingStretches(recorder.samples(), kRate, kTextGap);
        QVERIFY2(stretches.isEmpty(), qPrintable(describe(stretches)));
        QCOMPARE(m_backend->framesSynthesised(), made);
        QCOMPARE(m_backend->textsFinished(), finished);
    }

    void passesOverVoicesThatDoNotLoad_data()
    {
        QTest::addColumn<QStringList>("fliteVoices");
        QTest::addColumn<QString>("chosen"); // empty: espeak-ng's first English voice

        QTest::newRow("Flite voice library missing")
            << QStringList{QStringLiteral("cmu_us_nosuch")} << QString();
        QTest::newRow("no Flite voice") << QStringList{} << QString();
#ifdef DARO_WITH_FLITE
        QTest::newRow("the next Flite voice")
            << QStringList{QStringLiteral("cmu_us_nosuch"), QStringLiteral("cmu_us_slt")}
            << QStringLiteral("cmu_us_slt");
#endif
    }

    // The first voice that loads speaks, at its own rate: espeak-ng's when no
    // Flite voice loads.
    void passesOverVoicesThatDoNotLoad()
    {
        QFETCH(QStringList, fliteVoices);
        QFETCH(QString, chosen);

        auto owned = voiceBackendWith(fliteVoices);
        VoiceBackend &backend = *owned;
        SpeechEngine engine(std::move(owned));
        engine.InitSpeech();
        QVERIFY(backend.isSelected());
        if (chosen.isEmpty()) {
            QCOMPARE(backend.voice()->name(), EspeakVoices().open().value(0));
            QCOMPARE(backend.voice()->sampleRate(), 22050);
        } else {
            QCOMPARE(backend.voice()->name(), chosen);
        }

        MonitorCapture recorder(m_dir.filePath(QStringLiteral("monitor.raw")), kRate);
        QVERIFY2(recorder.start(), qPrintable(recorder.errorString()));
        engine.Speak(kShort);
        QVERIFY(QTest::qWaitFor([&] { return backend.isIdle(); }, 30000));
        QTest::qWait(1000);
        recorder.stop();
        const auto heard = soundingStretches(recorder.samples(), kRate, kTextGap);
        QVERIFY2(heard.size() == 1 && heard.first().length > 0.3, qPrintable(describe(heard)));
        QCOMPARE(backend.framesToSink(), backend.framesSynthesised());
    }

    // Texts handed over far faster than they can be heard wait as text: the
    // synthesiser stays no more than about half a second ahead of the sink.
    // The backend is then destroyed in mid-speech, which must not hang.
    void longQueueIsNotSynthesisedAhead()
    {
        const std::unique_ptr<SpeechBackend> owned = makeSpeechBackend();
        auto &backend = dynamic_cast<VoiceBackend &>(*owned);
        backend.createAudioDest();
        backend.enumModes();
        backend.loadFirstMode();
        backend.selectMode();
        const int rate = backend.voice()->sampleRate();
        const QString sentence =
            QStringLiteral("This sentence is long enough to keep the speaker busy for a while, "
                           "so that the ones after it have to wait their turn.");
        for (int i = 0; i < 30; ++i)
            backend.speak(sentence);

        const qint64 bound = rate / 2 + rate / 10; // the pipe, plus a chunk in flight
        qint64 widest = 0;
        QVERIFY(QTest::qWaitFor([&] { return backend.framesToSink() > rate; }, 20000));
        for (int i = 0; i < 20; ++i) {
            const qint64 toSink = backend.framesToSink();
            const qint64 made = backend.framesSynthesised();
            widest = qMax(widest, made - toSink);
            QTest::qWait(50);
        }
        QVERIFY2(widest <= bound, qPrintable(QStringLiteral("%1 frames made ahead").arg(widest)));
    }
};

QTEST_GUILESS_MAIN(TestVoiceBackend)
#include "tst_voicebackend.moc"
