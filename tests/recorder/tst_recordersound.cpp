// SPDX-License-Identifier: GPL-3.0-or-later
#include "recorder/createwav.h"
#include "recorder/soundplayer.h"
#include "recorder/waveheader.h"
#include "recorder/waverecorder.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QAudioSource>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMediaDevices>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <QtMath>

#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace {

// An endless 440 Hz sine at half of full scale, 16-bit mono.
class Sine : public QIODevice
{
public:
    explicit Sine(int rate)
        : m_rate(rate)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 1 << 16; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 count = maxSize / 2;
        for (qint64 i = 0; i < count; ++i, ++m_frame) {
            const auto value = qint16(16384 * qSin(2 * M_PI * 440 * double(m_frame) / m_rate));
            qToLittleEndian(value, data + 2 * i);
        }
        return count * 2;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    int m_rate;
    qint64 m_frame = 0;
};

// Plays the sine into the default output (the sink whose monitor is the
// default input) for as long as it lives.
class Tone
{
public:
    Tone()
    {
        QAudioFormat format;
        format.setSampleRate(44100);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        m_sink = std::make_unique<QAudioSink>(QMediaDevices::defaultAudioOutput(), format);
        // No setBufferSize(): with a buffer of 50 ms the sink reads once and
        // then stalls.
        m_sink->start(&m_sine);
    }
    ~Tone() { m_sink->stop(); }
    QAudio::Error error() const { return m_sink->error(); }

private:
    Sine m_sine{44100};
    std::unique_ptr<QAudioSink> m_sink;
};

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The largest distance of an 8-bit unsigned sample from silence.
int peak(QByteArrayView samples)
{
    int most = 0;
    for (char c : samples)
        most = std::max(most, std::abs(int(quint8(c)) - 128));
    return most;
}

constexpr int kRecordMs = 2500;

// What a sample tap was handed, on the capture's thread.
struct Tapped
{
    std::mutex mutex;
    std::vector<qint16> samples;
    std::set<quint32> rates;

    SampleTap tap()
    {
        return [this](const qint16 *data, qsizetype count, quint32 rate) {
            std::lock_guard lock(mutex);
            samples.insert(samples.end(), data, data + count);
            rates.insert(rate);
        };
    }
};

// pactl's output, or nothing when it fails.
std::optional<QString> pactl(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// Makes a source the sound server's default input for as long as it lives.
class DefaultSource
{
public:
    explicit DefaultSource(const QString &name)
        : m_previous(pactl({QStringLiteral("get-default-source")}).value_or(QString()))
    {
        m_set = !m_previous.isEmpty() && pactl({QStringLiteral("set-default-source"), name});
    }
    ~DefaultSource()
    {
        if (!m_previous.isEmpty())
            pactl({QStringLiteral("set-default-source"), m_previous});
    }
    bool isSet() const { return m_set; }

private:
    QString m_previous;
    bool m_set = false;
};

} // namespace

class TestRecorderSound : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    // A capture of the default input that runs through the whole test. The
    // test server's null sink renders in blocks of up to two seconds while
    // nothing reads its monitor, and the first of them never reaches a new
    // capture; with a reader already there, a recording starts at once.
    std::unique_ptr<QAudioSource> m_warm;
    QIODevice *m_warmInput = nullptr;
    qint64 m_warmed = 0;

    // Records the default input into a fresh file for `ms`, the way the Read
    // page does it, with `during` running just after capture started.
    // Returns the samples of the saved file after checking its header, and
    // in `clicksApart` the time from the start of Open to the start of Stop.
    QByteArray record(const QString &path, const std::function<void()> &during = {}, int ms = kRecordMs,
                      qint64 *clicksApart = nullptr, Tapped *tapped = nullptr)
    {
        CreateWav(1, 8, 11025, path);
        WaveRecorder recorder(makeAudioSourceCapture());
        recorder.setDeviceType(TMPDeviceTypes::dtAutoSelect);
        recorder.setFileName(path);
        if (tapped)
            recorder.setSampleTap(tapped->tap());
        QElapsedTimer clicks;
        clicks.start();
        recorder.Open();
        recorder.Record();
        if (during)
            during();
        QTest::qWait(ms);
        if (clicksApart)
            *clicksApart = clicks.elapsed();
        recorder.Stop();
        [&] { QCOMPARE(recorder.LastError(), 0); }();
        recorder.Save();
        [&] { QCOMPARE(recorder.LastError(), 0); }();
        recorder.Close();
        [&] { QCOMPARE(recorder.LastError(), 0); }();
        if (QTest::currentTestFailed())
            return {};

        const QByteArray file = readAll(path);
        const std::optional<WaveInfo> info = parseWaveHeader(file);
        [&] {
            QVERIFY(info);
            QCOMPARE(info->formatTag, quint16(1));
            QCOMPARE(info->channels, quint16(1));
            QCOMPARE(info->bitsPerSample, quint16(8));
            QCOMPARE(info->sampleRate, 11025u);
            QCOMPARE(info->byteRate, 11025u);
            QCOMPARE(info->blockAlign, quint16(1));
            QCOMPARE(info->dataOffset, qint64(44));
            QCOMPARE(qint64(qFromLittleEndian<quint32>(file.constData() + 4)), qint64(file.size() - 8));
            QCOMPARE(qint64(info->dataSize + (info->dataSize & 1)), qint64(file.size() - 44));
            QVERIFY(info->dataSize > 0);
        }();
        if (QTest::currentTestFailed())
            return {};
        return file.mid(44, info->dataSize);
    }

    // The tap had the sound of the recording, 16-bit at 16 kHz, for as long
    // as the file holds it; with `throughout`, the tone in every quarter
    // second.
    void compareTap(Tapped &tapped, const QByteArray &samples, bool loud, bool throughout = false)
    {
        std::lock_guard lock(tapped.mutex);
        QCOMPARE(tapped.rates, std::set<quint32>{16000});
        const qsizetype count = qsizetype(tapped.samples.size());
        const double tapSeconds = double(count) / 16000;
        const double fileSeconds = double(samples.size()) / 11025;
        qInfo("tap %.3f s, file %.3f s", tapSeconds, fileSeconds);
        QVERIFY2(qAbs(tapSeconds - fileSeconds) <= 0.1, qPrintable(QString::number(tapSeconds)));
        constexpr qsizetype kQuarter = 16000 / 4;
        const qsizetype step = throughout ? kQuarter : std::max<qsizetype>(count, 1);
        for (qsizetype at = 0; at < count; at += step) {
            const qsizetype from = std::max<qsizetype>(0, std::min(at, count - kQuarter));
            const qsizetype to = throughout ? std::min(count, from + kQuarter) : count;
            int most = 0;
            for (qsizetype i = from; i < to; ++i)
                most = std::max(most, std::abs(int(tapped.samples[size_t(i)])) / 256);
            if (loud)
                QVERIFY2(most >= 32,
                         qPrintable(QStringLiteral("peak %1 at %2 s").arg(most).arg(at / 16000.0)));
            else
                QVERIFY2(most <= 2, qPrintable(QString::number(most)));
        }
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        QVERIFY2(!QMediaDevices::defaultAudioInput().isNull(),
                 "no sound input; is the test sound server up?");
        QVERIFY2(!QMediaDevices::defaultAudioOutput().isNull(), "no sound output");

        QAudioFormat format;
        format.setSampleRate(11025);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::UInt8);
        m_warm = std::make_unique<QAudioSource>(QMediaDevices::defaultAudioInput(), format);
        m_warmInput = m_warm->start();
        QVERIFY(m_warmInput);
        connect(m_warmInput, &QIODevice::readyRead, this,
                [this] { m_warmed += m_warmInput->readAll().size(); });
        // Wait for the first block to pass.
        QTRY_VERIFY_WITH_TIMEOUT(m_warmed > 0, 10000);
    }

    void cleanupTestCase()
    {
        if (m_warm)
            m_warm->stop();
    }

    void recordsWhatTheInputHears_data()
    {
        QTest::addColumn<bool>("withTone");
        // A sample tap set: the file is the same as without it.
        QTest::addColumn<bool>("withTap");
        QTest::newRow("silence") << false << false;
        QTest::newRow("tone") << true << false;
        QTest::newRow("silence, tapped") << false << true;
        QTest::newRow("tone, tapped") << true << true;
    }

    void recordsWhatTheInputHears()
    {
        QFETCH(bool, withTone);
        QFETCH(bool, withTap);
        Tapped tapped;
        std::unique_ptr<Tone> tone;
        if (withTone) {
            tone = std::make_unique<Tone>();
            QCOMPARE(tone->error(), QAudio::NoError);
            QTest::qWait(300);
        }
        const QByteArray samples = record(m_dir.filePath(QStringLiteral("Temp.wav")), {}, kRecordMs, nullptr,
                                          withTap ? &tapped : nullptr);
        if (QTest::currentTestFailed())
            return;
        const int loudest = peak(samples);
        qInfo("%lld samples, peak %d", qlonglong(samples.size()), loudest);
        if (withTone)
            QVERIFY2(loudest >= 32, qPrintable(QString::number(loudest)));
        else
            QVERIFY2(loudest <= 2, qPrintable(QString::number(loudest)));
        if (withTap)
            compareTap(tapped, samples, withTone);
    }

    void recordsTheServersDefaultInput_data()
    {
        QTest::addColumn<int>("ms");
        QTest::addColumn<bool>("withTap");
        // The tone source hands over its sound in blocks of two seconds: a
        // recording shorter than a block, and one across two.
        QTest::newRow("1 s") << 1000 << false;
        QTest::newRow("2.5 s") << 2500 << false;
        // The tap's stream gets the same blocks, the last one too.
        QTest::newRow("2.5 s, tapped") << 2500 << true;
    }

    // With the tone source as the server's default input and no other reader
    // on it, a recording holds the tone from its start, for as long as the
    // recorder ran. Qt's own choice of input stays daro_mic, which the warm
    // capture keeps reading.
    void recordsTheServersDefaultInput()
    {
        QFETCH(int, ms);
        QFETCH(bool, withTap);
        DefaultSource tone(QStringLiteral("daro_tone"));
        QVERIFY(tone.isSet());
        qint64 clicksApart = 0;
        Tapped tapped;
        const QByteArray samples = record(m_dir.filePath(QStringLiteral("Temp.wav")), {}, ms, &clicksApart,
                                          withTap ? &tapped : nullptr);
        if (QTest::currentTestFailed())
            return;

        const double seconds = samples.size() / 11025.0;
        qInfo("%.3f s recorded, clicks %.3f s apart", seconds, clicksApart / 1000.0);
        // Every quarter second holds the tone, the first one too; the last
        // quarter ends with the recording.
        constexpr qsizetype kQuarter = 11025 / 4;
        for (qsizetype at = 0; at < samples.size(); at += kQuarter) {
            const qsizetype from = qMax<qsizetype>(0, qMin(at, samples.size() - kQuarter));
            const int loudest =
                peak(QByteArrayView(samples).sliced(from, qMin(kQuarter, samples.size() - from)));
            QVERIFY2(loudest >= 32,
                     qPrintable(QStringLiteral("peak %1 at %2 s").arg(loudest).arg(at / 11025.0)));
        }
        QVERIFY2(qAbs(seconds - clicksApart / 1000.0) <= 0.3, qPrintable(QString::number(seconds)));
        if (withTap)
            compareTap(tapped, samples, true, true);
    }

    void playsTheRecording()
    {
        const QString loud = m_dir.filePath(QStringLiteral("loud.wav"));
        {
            Tone tone;
            QTest::qWait(300);
            QVERIFY(peak(record(loud)) >= 32);
        }
        const QString quiet = m_dir.filePath(QStringLiteral("quiet.wav"));
        QVERIFY(peak(record(quiet)) <= 2);

        int alerts = 0;
        std::unique_ptr<SoundPlayer> player = makeSoundEffectPlayer([&alerts] { ++alerts; });
        const QString heard = m_dir.filePath(QStringLiteral("heard.wav"));
        // Asked twice at once, it plays from the start once.
        const int played = peak(record(heard, [&] {
            player->play(loud);
            player->play(loud);
        }));
        QVERIFY2(played >= 32, qPrintable(QString::number(played)));
        QCOMPARE(alerts, 0);

        // The same name with new contents: the new recording is what plays.
        // It starts before the capture, so that a stale copy would be heard
        // throughout.
        QVERIFY(QFile::remove(loud));
        QVERIFY(QFile::copy(quiet, loud));
        player->play(loud);
        QTest::qWait(300);
        const int replayed = peak(record(heard));
        QVERIFY2(replayed <= 2, qPrintable(QString::number(replayed)));
        QCOMPARE(alerts, 0);

        // It plays from a copy, one at a time, gone with the sound it held.
        const QString copies = QStringLiteral("daro-play-%1-*").arg(QCoreApplication::applicationPid());
        QCOMPARE(QDir::temp().entryList({copies}, QDir::Files).size(), 1);
        player->play(m_dir.filePath(QStringLiteral("missing.wav")));
        QCOMPARE(alerts, 1);
        QCOMPARE(QDir::temp().entryList({copies}, QDir::Files), QStringList());
        player->play(loud);
        QCOMPARE(QDir::temp().entryList({copies}, QDir::Files).size(), 1);
        player.reset();
        QCOMPARE(QDir::temp().entryList({copies}, QDir::Files), QStringList());
    }
};

QTEST_MAIN(TestRecorderSound)
#include "tst_recordersound.moc"
