// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech/speechengine.h"
#include "base/errors.h"
#include "support/speechdouble.h"

#include <QStandardPaths>
#include <QTest>

#include <functional>

namespace {
const QStringList kAllSteps{QStringLiteral("createAudioDest"), QStringLiteral("enumModes"),
                            QStringLiteral("loadFirstMode"), QStringLiteral("selectMode")};

enum class Raised { Nothing, Silent, Shown };

// What a call raised: the silent abort, an error for the error box, or nothing.
Raised raisedBy(const std::function<void()> &call, QString *message = nullptr)
{
    try {
        call();
    } catch (const Abort &) {
        return Raised::Silent;
    } catch (const AppError &e) {
        if (message)
            *message = e.message();
        return Raised::Shown;
    }
    return Raised::Nothing;
}
} // namespace

Q_DECLARE_METATYPE(Raised)

class TestSpeechEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void setUpRunsEveryStepOnceInOrder()
    {
        auto backend = std::make_unique<RecordingSpeechBackend>();
        RecordingSpeechBackend &b = *backend;
        SpeechEngine engine(std::move(backend));
        QCOMPARE(raisedBy([&] { engine.InitSpeech(); }), Raised::Nothing);
        QCOMPARE(b.steps, kAllSteps);
    }

    void failedSetUp_data()
    {
        QTest::addColumn<std::function<void(RecordingSpeechBackend &)>>("breakIt");
        QTest::addColumn<Raised>("raised");
        QTest::addColumn<int>("stepsRun");

        using Fail = std::function<void(RecordingSpeechBackend &)>;
        QTest::newRow("no audio output")
            << Fail([](auto &b) { b.failCreateAudioDest = true; }) << Raised::Silent << 1;
        QTest::newRow("voices cannot be listed")
            << Fail([](auto &b) { b.failEnumModes = true; }) << Raised::Shown << 2;
        QTest::newRow("first voice cannot be loaded")
            << Fail([](auto &b) { b.failLoadFirstMode = true; }) << Raised::Shown << 3;
        QTest::newRow("no voice installed") << Fail([](auto &b) { b.noModes = true; }) << Raised::Silent << 4;
        QTest::newRow("selection refused")
            << Fail([](auto &b) { b.failSelectMode = true; }) << Raised::Silent << 4;
    }

    // Silent failures end the set-up without a word, the others reach the error
    // box with the engine's message; either way nothing can be spoken after.
    void failedSetUp()
    {
        QFETCH(std::function<void(RecordingSpeechBackend &)>, breakIt);
        QFETCH(Raised, raised);
        QFETCH(int, stepsRun);

        auto backend = std::make_unique<RecordingSpeechBackend>();
        RecordingSpeechBackend &b = *backend;
        breakIt(b);
        SpeechEngine engine(std::move(backend));

        QString message;
        QCOMPARE(raisedBy([&] { engine.InitSpeech(); }, &message), raised);
        if (raised == Raised::Shown)
            QVERIFY(message == b.enumError || message == b.loadError);
        QCOMPARE(b.steps, kAllSteps.mid(0, stepsRun));

        QCOMPARE(raisedBy([&] { engine.Speak(QStringLiteral("Good morning.")); }), Raised::Silent);
        QCOMPARE(raisedBy([&] { engine.Speak(QString()); }), Raised::Silent);
        QVERIFY(b.spoken.isEmpty());
    }

    void speakBeforeSetUpAborts()
    {
        auto backend = std::make_unique<RecordingSpeechBackend>();
        RecordingSpeechBackend &b = *backend;
        SpeechEngine engine(std::move(backend));
        QCOMPARE(raisedBy([&] { engine.Speak(QStringLiteral("Hello.")); }), Raised::Silent);
        QVERIFY(b.spoken.isEmpty());
    }

    void engineWithoutBackendAborts()
    {
        SpeechEngine engine(nullptr);
        QCOMPARE(raisedBy([&] { engine.InitSpeech(); }), Raised::Silent);
        QCOMPARE(raisedBy([&] { engine.Speak(QStringLiteral("Hello.")); }), Raised::Silent);
    }

    // Texts reach the synthesiser whole and in the order given, empty ones and
    // line breaks included.
    void speakHandsTextsOverInOrder()
    {
        auto backend = std::make_unique<RecordingSpeechBackend>();
        RecordingSpeechBackend &b = *backend;
        SpeechEngine engine(std::move(backend));
        engine.InitSpeech();

        const QStringList texts{QStringLiteral("First sentence."), QString(),
                                QStringLiteral("Two lines,\r\nspoken as one text."),
                                QStringLiteral("First sentence."), QStringLiteral("我们 mixed text")};
        for (const QString &text : texts)
            QCOMPARE(raisedBy([&] { engine.Speak(text); }), Raised::Nothing);
        QCOMPARE(b.spoken, texts);
    }

    void refusedTextAbortsThatCallOnly()
    {
        auto backend = std::make_unique<RecordingSpeechBackend>();
        RecordingSpeechBackend &b = *backend;
        SpeechEngine engine(std::move(backend));
        engine.InitSpeech();

        engine.Speak(QStringLiteral("one"));
        b.failSpeak = true;
        QCOMPARE(raisedBy([&] { engine.Speak(QStringLiteral("two")); }), Raised::Silent);
        b.failSpeak = false;
        engine.Speak(QStringLiteral("three"));
        QCOMPARE(b.spoken, (QStringList{QStringLiteral("one"), QStringLiteral("three")}));
    }
};

QTEST_GUILESS_MAIN(TestSpeechEngine)
#include "tst_speechengine.moc"
