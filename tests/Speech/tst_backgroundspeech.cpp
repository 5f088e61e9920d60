// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech/backgroundspeechbackend.h"
#include "Speech/speechengine.h"
#include "Speech/voicebackend.h"
#include "base/errors.h"
#include "support/speechdouble.h"

#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <functional>

namespace {
const QStringList kAllSteps{QStringLiteral("createAudioDest"), QStringLiteral("enumModes"),
                            QStringLiteral("loadFirstMode"), QStringLiteral("selectMode")};

// What a call raised: N nothing, S the silent abort, E an error for the box.
char raisedBy(const std::function<void()> &call, QString *message = nullptr)
{
    try {
        call();
    } catch (const Abort &) {
        return 'S';
    } catch (const AppError &e) {
        if (message)
            *message = e.message();
        return 'E';
    }
    return 'N';
}

// The recording double, also noting the thread each set-up step ran on and the
// one it was destroyed on.
class ThreadNotingBackend : public RecordingSpeechBackend
{
public:
    QList<QThread *> threads;
    unsigned long enumDelayMs = 0;
    // Where the destructor leaves the threads of the steps, then its own.
    QList<QThread *> *threadsAtEnd = nullptr;

    ~ThreadNotingBackend() override
    {
        if (threadsAtEnd)
            *threadsAtEnd = threads << QThread::currentThread();
    }
    void createAudioDest() override
    {
        threads << QThread::currentThread();
        RecordingSpeechBackend::createAudioDest();
    }
    void enumModes() override
    {
        threads << QThread::currentThread();
        QThread::msleep(enumDelayMs);
        RecordingSpeechBackend::enumModes();
    }
    void loadFirstMode() override
    {
        threads << QThread::currentThread();
        RecordingSpeechBackend::loadFirstMode();
    }
    void selectMode() override
    {
        threads << QThread::currentThread();
        RecordingSpeechBackend::selectMode();
    }
};

using Fail = std::function<void(RecordingSpeechBackend &)>;
} // namespace

class TestBackgroundSpeech : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void stepsRaiseWhereTheyFailed_data()
    {
        QTest::addColumn<Fail>("breakIt");
        QTest::addColumn<QString>("raised"); // per step called, in order, until one raises

        QTest::newRow("all well") << Fail([](auto &) {}) << "NNNN";
        QTest::newRow("no audio output") << Fail([](auto &b) { b.failCreateAudioDest = true; }) << "S";
        QTest::newRow("voices cannot be listed") << Fail([](auto &b) { b.failEnumModes = true; }) << "NE";
        QTest::newRow("first voice cannot be loaded")
            << Fail([](auto &b) { b.failLoadFirstMode = true; }) << "NNE";
        QTest::newRow("no voice installed") << Fail([](auto &b) { b.noModes = true; }) << "NNNS";
        QTest::newRow("selection refused") << Fail([](auto &b) { b.failSelectMode = true; }) << "NNNS";
    }

    // The steps run ahead on another thread, stopping at the first failure;
    // called afterwards, each raises there what it raised then, and none runs again.
    void stepsRaiseWhereTheyFailed()
    {
        QFETCH(Fail, breakIt);
        QFETCH(QString, raised);

        auto owned = std::make_unique<ThreadNotingBackend>();
        ThreadNotingBackend &inner = *owned;
        breakIt(inner);
        BackgroundSpeechBackend backend(std::move(owned));
        backend.waitForSetUp();
        QCOMPARE(inner.steps, kAllSteps.mid(0, raised.size()));
        for (QThread *thread : std::as_const(inner.threads))
            QVERIFY(thread != QThread::currentThread());

        const std::function<void()> steps[] = {[&] { backend.createAudioDest(); },
                                               [&] { backend.enumModes(); }, [&] { backend.loadFirstMode(); },
                                               [&] { backend.selectMode(); }};
        QString seen;
        QString message;
        for (const auto &step : steps) {
            seen += QLatin1Char(raisedBy(step, &message));
            if (seen.back() != QLatin1Char('N'))
                break;
        }
        QCOMPARE(seen, raised);
        if (raised.endsWith(QLatin1Char('E')))
            QCOMPARE(message, raised.size() == 2 ? inner.enumError : inner.loadError);
        QCOMPARE(inner.steps, kAllSteps.mid(0, raised.size()));

        const char spoken = raisedBy([&] { backend.speak(QStringLiteral("Good morning.")); });
        QCOMPARE(spoken, raised == QLatin1String("NNNN") ? 'N' : 'S');
        QCOMPARE(inner.spoken.size(), spoken == 'N' ? 1 : 0);
    }

    // A set-up called again runs its steps anew on the set-up thread, and a
    // step the failure kept from running ahead runs when it is called.
    void setUpAgainRunsTheStepsThere()
    {
        auto owned = std::make_unique<ThreadNotingBackend>();
        ThreadNotingBackend &inner = *owned;
        inner.failCreateAudioDest = true;
        SpeechEngine engine(std::make_unique<BackgroundSpeechBackend>(std::move(owned)));
        QCOMPARE(raisedBy([&] { engine.InitSpeech(); }), 'S');
        inner.failCreateAudioDest = false;
        QCOMPARE(raisedBy([&] { engine.InitSpeech(); }), 'N');
        QCOMPARE(inner.steps, QStringList{kAllSteps[0]} + kAllSteps);
        QCOMPARE(inner.threads.size(), 5);
        QVERIFY(!inner.threads.contains(QThread::currentThread()));
        QCOMPARE(raisedBy([&] { engine.Speak(QStringLiteral("Hello.")); }), 'N');
    }

    // Closing while the set-up still runs waits for it, and the inner backend
    // ends on the thread that made it.
    void destroyedWhileSettingUp()
    {
        QList<QThread *> threads;
        {
            auto owned = std::make_unique<ThreadNotingBackend>();
            owned->enumDelayMs = 50;
            owned->threadsAtEnd = &threads;
            BackgroundSpeechBackend backend(std::move(owned));
        }
        QCOMPARE(threads.size(), 5);
        QVERIFY(threads[0] != QThread::currentThread());
        QCOMPARE(threads.count(threads[0]), 5);
    }

    // The real backend with no audio output: the silent abort at the first
    // step, raised from the set-up thread, and nothing spoken after.
    void realBackendWithoutOutput()
    {
        SpeechEngine engine(std::make_unique<BackgroundSpeechBackend>(makeSpeechBackend()));
        QCOMPARE(raisedBy([&] { engine.InitSpeech(); }), 'S');
        QCOMPARE(raisedBy([&] { engine.Speak(QStringLiteral("Hello.")); }), 'S');
    }
};

QTEST_GUILESS_MAIN(TestBackgroundSpeech)
#include "tst_backgroundspeech.moc"
