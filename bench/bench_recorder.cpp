// SPDX-License-Identifier: GPL-3.0-or-later
// The recorder's figures: how long Save takes for long recordings, how long
// each operation of a real recording takes, and how soon and how completely
// the default input delivers after capture starts, with and without another
// reader already on the input, and with the private server's tone source as
// the default input.
//
// Uses the sound server named by PULSE_SERVER, or else starts the private test
// server (tests/pulse-test-server.sh) for the run.

#include "recorder/capturebackend.h"
#include "recorder/createwav.h"
#include "recorder/recordererror.h"
#include "recorder/waverecorder.h"

#include "support/privatesoundserver.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMediaDevices>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// A device that has captured a fixed amount of sound.
class CannedCapture : public CaptureBackend
{
public:
    explicit CannedCapture(qsizetype bytes)
        : m_bytes(bytes)
    {}
    int open(quint16, quint16, quint32) override { return ErrNone; }
    int start() override { return ErrNone; }
    int stop() override { return ErrNone; }
    QByteArray takeCaptured() override
    {
        QByteArray out(m_bytes, '\x80');
        m_bytes = 0;
        return out;
    }
    int close() override { return ErrNone; }

private:
    qsizetype m_bytes;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

void saveTimes(const QString &dir)
{
    std::printf("Save of an 8-bit mono 11025 Hz recording (median of 5)\n");
    const QString path = dir + QStringLiteral("/Temp.wav");
    for (const int minutes : {1, 10, 60}) {
        const qsizetype bytes = qsizetype(minutes) * 60 * 11025;
        std::vector<double> times;
        for (int run = 0; run < 5; ++run) {
            CreateWav(1, 8, 11025, path);
            WaveRecorder recorder(std::make_unique<CannedCapture>(bytes));
            recorder.setFileName(path);
            recorder.Open();
            recorder.Record();
            recorder.Stop();
            QElapsedTimer timer;
            timer.start();
            recorder.Save();
            times.push_back(msSince(timer));
            if (recorder.LastError() != 0)
                std::printf("  save failed: %d\n", recorder.LastError());
        }
        const double ms = median(times);
        std::printf("  %3d min (%6.1f MB): %8.2f ms, %7.1f MB/s\n", minutes, bytes / 1e6, ms,
                    bytes / 1e6 / (ms / 1e3));
    }
}

void pumpFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
}

void operationTimes(const QString &dir)
{
    std::printf("A 3 s recording through WaveRecorder on the default input (ms per call)\n");
    const QString path = dir + QStringLiteral("/Temp.wav");
    for (int run = 0; run < 3; ++run) {
        CreateWav(1, 8, 11025, path);
        WaveRecorder recorder(makeAudioSourceCapture());
        recorder.setFileName(path);
        double t[5];
        QElapsedTimer timer;
        timer.start();
        recorder.Open();
        t[0] = msSince(timer);
        timer.restart();
        recorder.Record();
        t[1] = msSince(timer);
        pumpFor(3000);
        timer.restart();
        recorder.Stop();
        t[2] = msSince(timer);
        timer.restart();
        recorder.Save();
        t[3] = msSince(timer);
        timer.restart();
        recorder.Close();
        t[4] = msSince(timer);
        const double seconds = (QFile(path).size() - 44) / 11025.0;
        std::printf("  Open %6.2f  Record %6.2f  Stop %6.2f  Save %6.2f  Close %6.2f  -> %.2f s of sound\n",
                    t[0], t[1], t[2], t[3], t[4], seconds);
    }
}

// Starts a capture, waits for its first sample, stops it `ms` after the start
// and reports the delay, how much sound the recording holds against the time
// between start and stop, and how long stop took.
void deliveryRun(const char *label, int ms)
{
    std::unique_ptr<CaptureBackend> capture = makeAudioSourceCapture();
    if (capture->open(1, 8, 11025) != ErrNone) {
        std::printf("  %s: the capture would not open\n", label);
        return;
    }
    QElapsedTimer timer;
    timer.start();
    if (capture->start() != ErrNone) {
        std::printf("  %s: the capture would not start\n", label);
        return;
    }
    qsizetype total = 0;
    double first = -1;
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        total += capture->takeCaptured().size();
        if (first < 0 && total > 0)
            first = msSince(timer);
        QThread::msleep(2);
    }
    const double between = msSince(timer);
    QElapsedTimer stopping;
    stopping.start();
    const int stopped = capture->stop();
    const double stopMs = msSince(stopping);
    total += capture->takeCaptured().size();
    capture->close();
    std::printf("  %s: first sample after %7.1f ms; %.3f s recorded of %.3f s between start and stop; "
                "stop %6.1f ms%s\n",
                label, first, total / 11025.0, between / 1000.0, stopMs,
                stopped == ErrNone ? "" : " (failed)");
}

// pactl on the server in use; false when it fails.
bool pactl(const QStringList &arguments, QString *output = nullptr)
{
    QProcess process;
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return false;
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    return true;
}

void delivery()
{
    std::printf("Delivery of the default input (8-bit mono 11025 Hz)\n");
    // An idle pause first, so that no earlier capture has left the input
    // working in short blocks.
    for (int run = 0; run < 3; ++run) {
        pumpFor(3000);
        deliveryRun("alone       ", 3000);
    }

    QAudioFormat format;
    format.setSampleRate(11025);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::UInt8);
    QAudioSource other(QMediaDevices::defaultAudioInput(), format);
    QIODevice *input = other.start();
    if (!input)
        return;
    QObject::connect(input, &QIODevice::readyRead, input, [input] { input->readAll(); });
    pumpFor(3000);
    for (int run = 0; run < 3; ++run)
        deliveryRun("beside other", 3000);
    other.stop();

    // Two sources of the private server as the default input, with nothing
    // else reading them: the tone hands over its sound in blocks of two
    // seconds; the idle source holds up to two seconds from before the start.
    QString previous;
    if (!pactl({QStringLiteral("get-default-source")}, &previous))
        return;
    const struct
    {
        const char *source;
        const char *label;
        std::vector<int> ms;
    } inputs[] = {{"daro_tone", "tone source ", {1000, 2500, 3000}},
                  {"daro_idle", "idle source ", {3000, 3000, 3000}}};
    for (const auto &input : inputs) {
        if (!pactl({QStringLiteral("set-default-source"), QString::fromLatin1(input.source)})) {
            std::printf("  (no source %s on this server)\n", input.source);
            continue;
        }
        for (const int ms : input.ms) {
            pumpFor(2500);
            deliveryRun(input.label, ms);
        }
    }
    pactl({QStringLiteral("set-default-source"), previous});
}

} // namespace

int main(int argc, char *argv[])
{
    PrivateSoundServer server;
    if (!server.startUnlessGiven())
        return 1;
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    saveTimes(dir.path());
    if (QMediaDevices::defaultAudioInput().isNull()) {
        std::fprintf(stderr, "no sound input\n");
        return 1;
    }
    operationTimes(dir.path());
    delivery();
    return 0;
}
