// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/errors.h"
#include "recorder/createwav.h"
#include "recorder/recordererror.h"
#include "recorder/waveheader.h"
#include "recorder/waverecorder.h"
#include "support/capturedouble.h"

#include <QAudioDevice>
#include <QDir>
#include <QFile>
#include <QMediaDevices>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <functional>
#include <sys/resource.h>

namespace {

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The text of the AppError the call raises, or a null string.
QString raised(const std::function<void()> &call)
{
    try {
        call();
    } catch (const AppError &error) {
        return error.message();
    }
    return {};
}

QByteArray samples(int count, int seed)
{
    QByteArray out(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i)
        out[i] = char((i * 7 + seed) & 0xff);
    return out;
}

const QString kNotOpen = QStringLiteral("No MCI device open");

} // namespace

class TestWaveRecorder : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    std::shared_ptr<CaptureDouble::Script> m_device;
    std::unique_ptr<WaveRecorder> m_recorder;

    // A recorder on a fresh empty recording, as the Read page sets it up.
    void makeRecorder(quint16 channels = 1, quint16 bits = 8, qint32 rate = 11025)
    {
        CreateWav(channels, bits, rate, m_path);
        auto backend = std::make_unique<CaptureDouble>();
        m_device = backend->script;
        m_recorder = std::make_unique<WaveRecorder>(std::move(backend));
        m_recorder->setDeviceType(TMPDeviceTypes::dtAutoSelect);
        m_recorder->setFileName(m_path);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("Temp.wav"));
    }

    void cleanup()
    {
        m_recorder.reset();
        m_device.reset();
        QDir dir(m_dir.path());
        for (const QString &name : dir.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFileInfo info(dir.filePath(name));
            if (info.isDir())
                QDir(info.filePath()).removeRecursively();
            else
                QFile::remove(info.filePath());
        }
    }

    void recordStopSaveClose()
    {
        makeRecorder();
        m_recorder->Open();
        QVERIFY(m_recorder->isOpen());
        QCOMPARE(m_device->calls, QStringList{QStringLiteral("open 1 8 11025")});
        m_recorder->Record();
        QCOMPARE(m_recorder->LastError(), 0);
        const QByteArray voice = samples(3001, 1);
        m_device->feed(voice);
        m_recorder->Stop();
        QCOMPARE(m_recorder->LastError(), 0);
        m_recorder->Save();
        QCOMPARE(m_recorder->LastError(), 0);
        m_recorder->Close();
        QCOMPARE(m_recorder->LastError(), 0);
        QVERIFY(!m_recorder->isOpen());
        QVERIFY(!m_device->isOpen);

        const QByteArray file = readAll(m_path);
        QCOMPARE(file, waveHeader(1, 8, 11025, quint32(voice.size())) + voice + '\0');
        const std::optional<WaveInfo> info = parseWaveHeader(file);
        QVERIFY(info);
        QCOMPARE(qint64(info->dataSize), qint64(voice.size()));
        QCOMPARE(qint64(qFromLittleEndian<quint32>(file.constData() + 4)), qint64(file.size() - 8));
    }

    void openTakesTheFormatOfTheFile_data()
    {
        QTest::addColumn<quint16>("channels");
        QTest::addColumn<quint16>("bits");
        QTest::addColumn<qint32>("rate");
        QTest::newRow("read-aloud") << quint16(1) << quint16(8) << 11025;
        QTest::newRow("cd") << quint16(2) << quint16(16) << 44100;
        QTest::newRow("wide") << quint16(1) << quint16(32) << 8000;
    }

    void openTakesTheFormatOfTheFile()
    {
        QFETCH(quint16, channels);
        QFETCH(quint16, bits);
        QFETCH(qint32, rate);
        makeRecorder(channels, bits, rate);
        m_recorder->Open();
        QCOMPARE(m_device->calls,
                 QStringList{QStringLiteral("open %1 %2 %3").arg(channels).arg(bits).arg(rate)});

        // Samples fed in two takes, the last one ending inside a frame.
        const int frame = channels * bits / 8;
        const QByteArray first = samples(10 * frame, 3);
        const QByteArray second = samples(7 * frame + 1, 5);
        m_recorder->Record();
        m_device->feed(first);
        m_recorder->Stop();
        m_recorder->Record();
        m_device->feed(second);
        m_recorder->Stop();
        m_recorder->Save();
        QCOMPARE(m_recorder->LastError(), 0);

        const QByteArray file = readAll(m_path);
        const std::optional<WaveInfo> info = parseWaveHeader(file);
        QVERIFY(info);
        QVERIFY(isPlainPcm(*info));
        QCOMPARE(info->channels, channels);
        QCOMPARE(info->bitsPerSample, bits);
        QCOMPARE(info->sampleRate, quint32(rate));
        const QByteArray expected = first + second.left(second.size() - second.size() % frame);
        QCOMPARE(file.mid(info->dataOffset, info->dataSize), expected);
        QCOMPARE(file.size(), info->dataOffset + expected.size());
    }

    void closedRecorderRaises_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("wasOpen");
        QTest::addColumn<bool>("emptyName");
        for (const char *op : {"Record", "Stop", "Save"}) {
            QTest::addRow("%s, never opened", op) << QString::fromLatin1(op) << false << false;
            QTest::addRow("%s, after Close", op) << QString::fromLatin1(op) << true << false;
        }
        QTest::newRow("Save without a file name") << QStringLiteral("Save") << false << true;
    }

    void closedRecorderRaises()
    {
        QFETCH(QString, operation);
        QFETCH(bool, wasOpen);
        QFETCH(bool, emptyName);
        makeRecorder();
        if (wasOpen) {
            m_recorder->Open();
            m_recorder->Close();
        }
        if (emptyName)
            m_recorder->setFileName(QString());
        const QStringList callsBefore = m_device->calls;
        const QByteArray fileBefore = readAll(m_path);

        const QString message = raised([&] {
            if (operation == QLatin1String("Record"))
                m_recorder->Record();
            else if (operation == QLatin1String("Stop"))
                m_recorder->Stop();
            else
                m_recorder->Save();
        });
        QCOMPARE(message, kNotOpen);
        QCOMPARE(m_device->calls, callsBefore);
        QCOMPARE(readAll(m_path), fileBefore);
        QVERIFY(!m_recorder->isOpen());
    }

    void closeWhenClosedSendsNothing()
    {
        makeRecorder();
        m_recorder->Close();
        QVERIFY(m_device->calls.isEmpty());
        QCOMPARE(m_recorder->LastError(), 0);

        // A failed Open leaves its result; a Close after it must not touch it.
        m_device->openResult = ErrNoInputDevice;
        QVERIFY(!raised([&] { m_recorder->Open(); }).isNull());
        const QStringList callsBefore = m_device->calls;
        m_recorder->Close();
        QCOMPARE(m_device->calls, callsBefore);
        QCOMPARE(m_recorder->LastError(), int(ErrNoInputDevice));
    }

    void saveWithoutFileNameSendsNothing()
    {
        makeRecorder();
        m_device->stopResult = ErrStop;
        m_recorder->Open();
        m_recorder->Record();
        const QByteArray first = samples(100, 0);
        m_device->feed(first);
        m_recorder->Stop();
        QCOMPARE(m_recorder->LastError(), int(ErrStop));

        m_recorder->setFileName(QString());
        QStringList callsBefore = m_device->calls;
        m_recorder->Save();
        QCOMPARE(m_device->calls, callsBefore);
        QCOMPARE(m_recorder->LastError(), int(ErrStop));

        // While capturing, too, nothing is taken from the device.
        m_recorder->Record();
        const QByteArray second = samples(100, 1);
        m_device->feed(second);
        callsBefore = m_device->calls;
        m_recorder->Save();
        QCOMPARE(m_device->calls, callsBefore);
        QCOMPARE(readAll(m_path), waveHeader(1, 8, 11025));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Temp.wav")});

        // and nothing is lost for a later save.
        m_device->stopResult = ErrNone;
        m_recorder->Stop();
        m_recorder->setFileName(m_path);
        m_recorder->Save();
        QCOMPARE(readAll(m_path), waveHeader(1, 8, 11025, 200) + first + second);
    }

    void openWhileOpenClosesFirst()
    {
        makeRecorder();
        m_recorder->Open();
        m_recorder->Record();
        m_device->feed(samples(500, 9));

        // The second file has another format, so the device must be reopened.
        const QString other = m_dir.filePath(QStringLiteral("other.wav"));
        CreateWav(2, 16, 22050, other);
        m_recorder->setFileName(other);
        m_recorder->Open();
        QCOMPARE(m_device->calls, (QStringList{QStringLiteral("open 1 8 11025"), QStringLiteral("start"),
                                               QStringLiteral("close"), QStringLiteral("open 2 16 22050")}));
        QVERIFY(m_recorder->isOpen());
        QVERIFY(!m_recorder->isRecording());
        QCOMPARE(m_recorder->LastError(), 0);

        // Nothing of the first capture survives into the new one.
        const QByteArray voice = samples(400, 2);
        m_recorder->Record();
        m_device->feed(voice);
        m_recorder->Stop();
        m_recorder->Save();
        const QByteArray file = readAll(other);
        QCOMPARE(file, waveHeader(2, 16, 22050, 400) + voice);
    }

    void openFailureRaisesAndStaysClosed_data()
    {
        QTest::addColumn<QByteArray>("fileContent");
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<int>("deviceResult");
        QTest::addColumn<int>("lastError");
        QTest::addColumn<bool>("namesTheFile");

        const QByteArray empty = waveHeader(1, 8, 11025);
        QByteArray floatWave = empty;
        floatWave[20] = 3;
        QTest::newRow("no file") << QByteArray() << false << 0 << int(ErrFileOpen) << true;
        QTest::newRow("not a wave file")
            << QByteArray("hello, world") << true << 0 << int(ErrNotWaveFile) << true;
        QTest::newRow("header cut short") << empty.left(40) << true << 0 << int(ErrNotWaveFile) << true;
        QTest::newRow("float samples") << floatWave << true << 0 << int(ErrNotWaveFile) << true;
        QTest::newRow("no input device")
            << empty << true << int(ErrNoInputDevice) << int(ErrNoInputDevice) << false;
        QTest::newRow("format refused")
            << empty << true << int(ErrFormatNotSupported) << int(ErrFormatNotSupported) << false;
        QTest::newRow("device busy") << empty << true << int(ErrDeviceOpen) << int(ErrDeviceOpen) << false;
    }

    void openFailureRaisesAndStaysClosed()
    {
        QFETCH(QByteArray, fileContent);
        QFETCH(bool, fileExists);
        QFETCH(int, deviceResult);
        QFETCH(int, lastError);
        QFETCH(bool, namesTheFile);

        // Once on a closed recorder, once on one that was recording.
        for (const bool wasOpen : {false, true}) {
            makeRecorder();
            if (wasOpen) {
                m_recorder->Open();
                m_recorder->Record();
            }
            QFile::remove(m_path);
            if (fileExists)
                writeFile(m_path, fileContent);
            m_device->openResult = deviceResult;

            const QString message = raised([&] { m_recorder->Open(); });
            QVERIFY(!message.isEmpty());
            if (namesTheFile)
                QVERIFY2(message.contains(QDir::toNativeSeparators(m_path)), qPrintable(message));
            else
                QCOMPARE(message, recorderErrorText(lastError));
            QCOMPARE(m_recorder->LastError(), lastError);
            QVERIFY(!m_recorder->isOpen());
            QVERIFY(!m_device->isOpen);
            QCOMPARE(raised([&] { m_recorder->Record(); }), kNotOpen);
            // A file the recorder cannot use never reaches the device.
            QCOMPARE(m_device->calls.count(QStringLiteral("open 1 8 11025")),
                     int(wasOpen) + int(deviceResult != 0));
        }
    }

    void deviceFailuresAreResultsNotErrors_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<int>("code");
        QTest::newRow("start") << QStringLiteral("start") << int(ErrStart);
        QTest::newRow("stop") << QStringLiteral("stop") << int(ErrCapture);
        QTest::newRow("close") << QStringLiteral("close") << int(ErrClose);
    }

    void deviceFailuresAreResultsNotErrors()
    {
        QFETCH(QString, failing);
        QFETCH(int, code);
        makeRecorder();
        m_device->startResult = failing == QLatin1String("start") ? code : 0;
        m_device->stopResult = failing == QLatin1String("stop") ? code : 0;
        m_device->closeResult = failing == QLatin1String("close") ? code : 0;
        m_recorder->Open();

        // The Read page's sequence: Record, later Stop, Save, Close, with the
        // result read after each. Nothing raises.
        QList<int> results;
        try {
            m_recorder->Record();
            results << m_recorder->LastError();
            m_device->feed(samples(64, 4));
            m_recorder->Stop();
            results << m_recorder->LastError();
            m_recorder->Save();
            results << m_recorder->LastError();
            m_recorder->Close();
            results << m_recorder->LastError();
        } catch (const AppError &error) {
            QFAIL(qPrintable(error.message()));
        }

        const QStringList steps{QStringLiteral("start"), QStringLiteral("stop"), QStringLiteral("save"),
                                QStringLiteral("close")};
        for (int i = 0; i < steps.size(); ++i)
            QCOMPARE(results.at(i), steps.at(i) == failing ? code : 0);
        // A recorder whose device would not close still counts as open.
        QCOMPARE(m_recorder->isOpen(), failing == QLatin1String("close"));

        // The samples that came before a failing stop are kept; a capture
        // that never started has none.
        const std::optional<WaveInfo> info = parseWaveHeader(readAll(m_path));
        QVERIFY(info);
        QCOMPARE(info->dataSize, failing == QLatin1String("start") ? 0u : 64u);
    }

    void saveWhileRecordingKeepsCapturing()
    {
        makeRecorder();
        m_recorder->Open();
        m_recorder->Record();
        const QByteArray first = samples(200, 1);
        m_device->feed(first);
        m_recorder->Save();
        QCOMPARE(m_recorder->LastError(), 0);
        QCOMPARE(readAll(m_path), waveHeader(1, 8, 11025, 200) + first);
        QVERIFY(m_recorder->isRecording());

        const QByteArray second = samples(101, 2);
        m_device->feed(second);
        m_recorder->Stop();
        m_recorder->Save();
        QCOMPARE(readAll(m_path), waveHeader(1, 8, 11025, 301) + first + second + '\0');
    }

    void failedSaveKeepsThePreviousFile_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("sizeLimit");
        QTest::newRow("missing directory") << QStringLiteral("gone/Temp.wav") << false;
        QTest::newRow("target is a directory") << QStringLiteral("adir") << false;
        // The write breaks off part-way, as on a full disk.
        QTest::newRow("file size limit") << QStringLiteral("Temp.wav") << true;
    }

    void failedSaveKeepsThePreviousFile()
    {
        QFETCH(QString, target);
        QFETCH(bool, sizeLimit);
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("adir")));
        makeRecorder();
        m_recorder->Open();

        // A first, good recording.
        m_recorder->Record();
        m_device->feed(samples(1000, 7));
        m_recorder->Stop();
        m_recorder->Save();
        QCOMPARE(m_recorder->LastError(), 0);
        const QByteArray previous = readAll(m_path);
        const QStringList entries = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        m_recorder->Record();
        m_device->feed(samples(200000, 8));
        m_recorder->Stop();
        const QString path = m_dir.filePath(target);
        m_recorder->setFileName(path);

        rlimit saved{};
        if (sizeLimit) {
            QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit = saved;
            limit.rlim_cur = 64 * 1024;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        }
        m_recorder->Save();
        const int result = m_recorder->LastError();
        if (sizeLimit)
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);

        QCOMPARE(result, int(ErrSave));
        QCOMPARE(readAll(m_path), previous);
        // No temporary file is left behind either.
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), entries);
        QVERIFY(QDir(m_dir.filePath(QStringLiteral("adir"))).isEmpty());

        // The capture is still there for a save that can succeed.
        m_recorder->setFileName(m_path);
        m_recorder->Save();
        QCOMPARE(m_recorder->LastError(), 0);
        const std::optional<WaveInfo> info = parseWaveHeader(readAll(m_path));
        QVERIFY(info);
        QCOMPARE(info->dataSize, 201000u);
    }

    void destroyingWhileRecordingDiscards()
    {
        makeRecorder();
        m_recorder->Open();
        m_recorder->Record();
        m_device->feed(samples(300, 3));
        m_recorder.reset();
        QCOMPARE(m_device->calls.last(), QStringLiteral("close"));
        QVERIFY(!m_device->calls.contains(QStringLiteral("take")));
        QVERIFY(!m_device->isOpen);
        QCOMPARE(readAll(m_path), waveHeader(1, 8, 11025));
    }

    void closeDiscardsTheCapture()
    {
        makeRecorder();
        m_recorder->Open();
        m_recorder->Record();
        m_device->feed(samples(300, 3));
        m_recorder->Stop();
        m_recorder->Close();
        m_recorder->Open();
        m_recorder->Save();
        QCOMPARE(readAll(m_path), waveHeader(1, 8, 11025));
    }

    void withoutSoundInputOpenRaises()
    {
        if (!QMediaDevices::defaultAudioInput().isNull())
            QSKIP("This machine has a sound input");
        CreateWav(1, 8, 11025, m_path);
        WaveRecorder recorder(makeAudioSourceCapture());
        recorder.setFileName(m_path);
        QCOMPARE(raised([&] { recorder.Open(); }), recorderErrorText(ErrNoInputDevice));
        QVERIFY(!recorder.isOpen());
        QCOMPARE(recorder.LastError(), int(ErrNoInputDevice));
    }
};

QTEST_GUILESS_MAIN(TestWaveRecorder)
#include "tst_waverecorder.moc"
