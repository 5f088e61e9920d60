// SPDX-License-Identifier: GPL-3.0-or-later
// Soak run of the listening pipeline, bounded in count and time.
//
//   bench_soak [--ticks N] [--sentences N] [--speech-interval MS] [--time-limit S]
//
// 1. N listening ticks (default 100,000) at 1 ms through the real main window,
//    data sets, bound boxes and timers, lessons chosen from the menu one after
//    another, with a speech double that drops the text: resident memory must
//    not grow by 1 MiB or more after warm-up (10,000 ticks, some 13 rounds of
//    the catalogue; half the run when shorter), no message box may come up, and
//    every tick must hand over the sentence its row holds.
// 2. N lesson sentences (default 200) spoken for real by the listening timer at
//    an interval shorter than the speech, into the null sink of a private
//    PulseAudio server: memory is sampled while the queue fills and drains,
//    and once it has drained the sink's monitor recording must hold every
//    sentence, in order, as long as it is when synthesised on its own.
// Exits non-zero when a check fails; prints figures and progress.
#include "Speech/speechengine.h"
#include "Speech/voice.h"
#include "Speech/voicebackend.h"
#include "base/errors.h"
#include "base/ttimer.h"
#include "bench/benchapplication.h"
#include "bench/countingboxes.h"
#include "bench/listeningdriver.h"
#include "bench/measure.h"
#include "bench/observedspeech.h"
#include "controls/errorbox.h"
#include "lessons/tadodataset.h"
#include "support/monitorcapture.h"
#include "support/privatesoundserver.h"
#include "support/soundstretches.h"
#include "wnMain/services.h"
#include "wnMain/tfmmain.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr qint64 kGrowthLimitKiB = 1024;
constexpr int kMonitorRate = 22050;
// A silence this long ends a stretch. Every text ends with a pause of 0.2 s,
// so two texts are at least 0.22 s apart; of the silences inside the 632
// lesson sentences spoken by cmu_us_rms none lies between 0.16 and 0.19 s.
// The threshold sits in that gap: a silence close to it could be measured on
// either side of it in the recording and in the reference.
constexpr double kSentenceGap = 0.175;
// 30 words in one clause: more than the longest lesson sentence.
const QString kWarmUp = QStringLiteral(
    "On a long summer afternoon the children of the village like to walk down to the river with their "
    "friends and play beside the water until the sun goes down behind the hills");

struct Options
{
    int ticks = 100000;
    int sentences = 200;
    int speechInterval = 500;
    int timeLimitS = 1800;
};

void progress(const char *format, ...) __attribute__((format(printf, 1, 2)));
void progress(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

Services benchServices(std::unique_ptr<SpeechBackend> speech, CountingBoxes **boxes, ErrorBox &errorBox)
{
    Services services = Services::real();
    services.errors = &errorBox;
    auto owned = std::make_unique<CountingBoxes>();
    *boxes = owned.get();
    services.messages = std::move(owned);
    services.speech = std::move(speech);
    return services;
}

// ---- 1. Listening ticks through a speech double

bool soakTicks(const Options &options, ErrorBox &errorBox, const CountingBoxes &errors)
{
    const int warmUp = qMin(10000, options.ticks / 2);
    const int every = qMax(1, options.ticks / 10);
    QEventLoop loop;
    QElapsedTimer clock;
    std::unique_ptr<TfmMain> fm;
    std::unique_ptr<ListeningDriver> driver;
    int spoken = 0;
    int timeouts = 0;
    int wrongText = 0;
    qint64 baseline = -1;
    qint64 highest = 0;

    CountingBoxes *boxes = nullptr;
    auto speech = std::make_unique<ObservedSpeech>(nullptr, [&](const QString &text) {
        ++spoken;
        const TADODataSet *running = driver->runningDataSet();
        if (!running || text != running->fieldText(QStringLiteral("ENGLISH")))
            ++wrongText;
        if (spoken == warmUp)
            baseline = residentKiB();
        if (spoken % every == 0) {
            const qint64 rss = residentKiB();
            if (spoken > warmUp)
                highest = qMax(highest, rss);
            progress("  %7d ticks  %6.1f s  RSS %lld KiB  lessons chosen %d\n", spoken, clock.elapsed() / 1e3,
                     rss, driver->lessonsChosen());
        }
        if (spoken == options.ticks)
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    fm = std::make_unique<TfmMain>(benchServices(std::move(speech), &boxes, errorBox));
    fm->show();
    for (TTimer *timer : {fm->Timer1, fm->Timer3}) {
        timer->setInterval(1);
        QObject::connect(timer, &TTimer::timeout, fm.get(), [&] { ++timeouts; });
    }
    driver = std::make_unique<ListeningDriver>(fm.get());

    progress("1. %d listening ticks at 1 ms, speech double dropping the text (warm-up %d ticks)\n",
             options.ticks, warmUp);
    bool timedOut = false;
    QTimer::singleShot(options.timeLimitS * 1000, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    clock.start();
    driver->start();
    loop.exec();
    fm->findChild<QTabWidget *>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
    const double seconds = clock.elapsed() / 1e3;
    const qint64 final = residentKiB();
    highest = qMax(highest, final);

    const qint64 growth = final - baseline;
    const qint64 peakGrowth = highest - baseline;
    progress("  %d ticks in %.1f s (%.3f ms a tick), %d lessons chosen\n", spoken, seconds,
             spoken ? seconds * 1e3 / spoken : 0.0, driver->lessonsChosen());
    progress("  RSS after warm-up %lld KiB, at the end %lld KiB: growth %+lld KiB, highest %+lld KiB "
             "(target < %lld KiB)\n",
             baseline, final, growth, peakGrowth, kGrowthLimitKiB);
    progress("  ticks without their sentence: %d; timer ticks %d vs texts spoken %d; message boxes %d + %d\n",
             wrongText, timeouts, spoken, errors.count(), boxes->count());
    if (errors.count() + boxes->count() > 0)
        progress("  first box: %s\n", qPrintable(errors.count() ? errors.firstText() : boxes->firstText()));

    const bool ok = !timedOut && spoken >= options.ticks && wrongText == 0 && timeouts == spoken &&
                    errors.count() == 0 && boxes->count() == 0 && peakGrowth < kGrowthLimitKiB;
    progress("  %s\n", timedOut ? "FAILED: time limit reached" : ok ? "passed" : "FAILED");
    return ok;
}

// ---- 2. Real speech into the private server's null sink

struct Sample
{
    double at;
    qint64 rss;
    int waiting;
    double ahead;
};

QString describeStretches(const QList<Stretch> &stretches, qsizetype from, qsizetype count)
{
    QStringList parts;
    for (qsizetype i = from; i < qMin(stretches.size(), from + count); ++i)
        parts << QStringLiteral("%1s").arg(stretches[i].length, 0, 'f', 2);
    return parts.join(QLatin1Char(' '));
}

bool soakSpeech(const Options &options, ErrorBox &errorBox, const CountingBoxes &errors)
{
    progress("\n2. %d lesson sentences spoken every %d ms into the private null sink\n", options.sentences,
             options.speechInterval);
    QTemporaryDir dir;
    MonitorCapture capture(dir.filePath(QStringLiteral("monitor.raw")), kMonitorRate);
    if (!dir.isValid() || !capture.start()) {
        progress("  FAILED: cannot record the sink: %s\n", qPrintable(capture.errorString()));
        return false;
    }

    QEventLoop loop;
    QElapsedTimer clock;
    std::unique_ptr<TfmMain> fm;
    std::unique_ptr<ListeningDriver> driver;
    QStringList handed; // every text the backend took, in order
    int lessonTexts = 0;
    bool feeding = false;
    double fedAt = 0;

    std::unique_ptr<SpeechBackend> real = makeSpeechBackend();
    auto *backend = dynamic_cast<VoiceBackend *>(real.get());
    auto speech = std::make_unique<ObservedSpeech>(std::move(real), [&](const QString &text) {
        handed << text;
        if (feeding && ++lessonTexts == options.sentences) {
            feeding = false;
            fedAt = clock.elapsed() / 1e3;
            QMetaObject::invokeMethod(
                fm.get(),
                [&] { fm->findChild<QTabWidget *>(QStringLiteral("PageControl1"))->setCurrentIndex(1); },
                Qt::QueuedConnection);
        }
    });
    CountingBoxes *boxes = nullptr;
    fm = std::make_unique<TfmMain>(benchServices(std::move(speech), &boxes, errorBox));
    fm->show();
    if (!backend->isSelected()) {
        progress("  FAILED: the speech engine did not come up (message boxes %d + %d)\n", errors.count(),
                 boxes->count());
        return false;
    }
    Voice *voice = backend->voice();
    progress("  voice %s (%s)\n", qPrintable(voice->name()), qPrintable(voice->language()));

    // Warm-up: one sentence, so that the sound stream exists before the
    // baseline, and longer than any lesson's, so that the synthesiser already
    // holds the working memory a sentence takes (Flite keeps 1 to 2 MB of it).
    const auto waitUntil = [&](const std::function<bool()> &done, int timeoutMs) {
        QElapsedTimer waited;
        waited.start();
        while (!done() && waited.elapsed() < timeoutMs) {
            QTimer::singleShot(20, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return done();
    };
    fm->speech().Speak(kWarmUp);
    if (!waitUntil([&] { return backend->isIdle(); }, 30000)) {
        progress("  FAILED: the warm-up sentence was never spoken\n");
        return false;
    }
    waitUntil([] { return false; }, 600);
    const int rate = voice->sampleRate();
    std::vector<Sample> samples;
    samples.reserve(size_t(options.timeLimitS) * 4 + 16);
    handed.reserve(options.sentences + 16);
    const qint64 baseline = residentKiB();
    const auto sample = [&] {
        samples.push_back({clock.elapsed() / 1e3, residentKiB(),
                           int(handed.size()) - backend->textsFinished(),
                           double(backend->framesSynthesised() - backend->framesToSink()) / rate});
    };
    QTimer sampler;
    double lastReport = -10;
    QObject::connect(&sampler, &QTimer::timeout, &loop, [&] {
        sample();
        const Sample &s = samples.back();
        if (s.at - lastReport >= 10) {
            lastReport = s.at;
            progress(
                "  %6.1f s  handed %3lld  finished %3d  waiting %3d  audio ahead %.2f s  RSS %+lld KiB\n",
                s.at, (long long)handed.size(), backend->textsFinished(), s.waiting, s.ahead,
                s.rss - baseline);
        }
        if (!feeding && lessonTexts >= options.sentences && backend->isIdle())
            loop.quit();
    });

    for (TTimer *timer : {fm->Timer1, fm->Timer3})
        timer->setInterval(options.speechInterval);
    driver = std::make_unique<ListeningDriver>(fm.get());
    bool timedOut = false;
    QTimer::singleShot(options.timeLimitS * 1000, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    feeding = true;
    clock.start();
    sampler.start(250);
    driver->start();
    loop.exec();
    sampler.stop();
    const double drained = clock.elapsed() / 1e3;
    fm->findChild<QTabWidget *>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
    waitUntil([] { return false; }, 1000); // the sink plays out its last buffer
    capture.stop();
    if (timedOut) {
        progress("  FAILED: time limit of %d s reached with %d texts waiting\n", options.timeLimitS,
                 int(handed.size()) - backend->textsFinished());
        return false;
    }

    // Memory while the queue filled and drained.
    qint64 peak = baseline;
    int mostWaiting = 0;
    double mostAhead = 0;
    for (const Sample &s : samples) {
        peak = qMax(peak, s.rss);
        mostAhead = qMax(mostAhead, s.ahead);
        if (s.waiting > mostWaiting)
            mostWaiting = s.waiting;
    }
    qint64 textBytes = 0;
    for (const QString &text : std::as_const(handed))
        textBytes += text.size() * 2;
    const qint64 endRss = residentKiB();

    // What the texts sound like synthesised one by one, end to end.
    QVector<qint16> reference;
    qint64 referenceFrames = 0;
    for (const QString &text : std::as_const(handed)) {
        voice->synthesise(text, [&](const qint16 *data, int count) {
            reference.append(QVector<qint16>(data, data + count));
            referenceFrames += count;
            return true;
        });
    }
    const double referenceSeconds = double(referenceFrames) / rate;
    const qint64 queueAudioKiB = referenceFrames * 2 / 1024;

    const QList<Stretch> expected = soundingStretches(reference, rate, kSentenceGap);
    const QVector<qint16> recorded = capture.samples();
    const QList<Stretch> heard = soundingStretches(recorded, kMonitorRate, kSentenceGap);
    int wrongLength = 0;
    qsizetype firstWrong = -1;
    const double expectedTotal = totalLength(expected);
    const double heardTotal = totalLength(heard);
    for (qsizetype i = 0; i < qMin(expected.size(), heard.size()); ++i) {
        if (std::fabs(heard[i].length - expected[i].length) > 0.1 + 0.05 * expected[i].length) {
            ++wrongLength;
            if (firstWrong < 0)
                firstWrong = i;
        }
    }

    const int nonEmpty =
        int(std::count_if(handed.cbegin(), handed.cend(), [](const QString &t) { return !t.isEmpty(); }));
    progress(
        "  %lld texts handed over (1 warm-up + %d from %d lessons) in %.1f s; queue drained after %.1f s\n",
        (long long)handed.size(), lessonTexts, driver->lessonsChosen(), fedAt, drained);
    progress("  speech made: %.1f s of audio; recording %.1f s\n", referenceSeconds, capture.seconds());
    progress("  RSS before %lld KiB; highest while filling and draining %+lld KiB, after %+lld KiB "
             "(target < %lld KiB + the texts' %lld KiB; the whole queue as audio would be %lld KiB)\n",
             baseline, peak - baseline, endRss - baseline, kGrowthLimitKiB, textBytes / 1024, queueAudioKiB);
    progress("  most texts waiting %d; audio made ahead of the sink, widest %.3f s (bound 0.6 s)\n",
             mostWaiting, mostAhead);
    progress("  texts finished %d of %d; frames to the sink %lld of %lld synthesised; made alone %lld\n",
             backend->textsFinished(), nonEmpty, backend->framesToSink(), backend->framesSynthesised(),
             referenceFrames);
    progress("  sounding stretches heard %lld, expected %lld; length off in %d; sounding time heard %.1f s, "
             "expected %.1f s\n",
             (long long)heard.size(), (long long)expected.size(), wrongLength, heardTotal, expectedTotal);
    if (firstWrong >= 0 || heard.size() != expected.size()) {
        const qsizetype at = firstWrong >= 0 ? firstWrong : qMin(heard.size(), expected.size());
        progress("  first difference at stretch %lld: heard [%s], expected [%s]\n", (long long)at,
                 qPrintable(describeStretches(heard, qMax<qsizetype>(0, at - 2), 6)),
                 qPrintable(describeStretches(expected, qMax<qsizetype>(0, at - 2), 6)));
    }
    progress("  message boxes %d + %d\n", errors.count(), boxes->count());

    const bool framesOk = backend->framesToSink() == backend->framesSynthesised() &&
                          std::llabs(backend->framesSynthesised() - referenceFrames) <= referenceFrames / 100;
    const bool ok = backend->textsFinished() == nonEmpty && framesOk && heard.size() == expected.size() &&
                    wrongLength == 0 && mostAhead <= 0.6 &&
                    peak - baseline < kGrowthLimitKiB + textBytes / 1024 && errors.count() == 0 &&
                    boxes->count() == 0;
    progress("  %s\n", ok ? "passed" : "FAILED");
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    // The server must be up before the sound system first looks for one.
    PrivateSoundServer server;
    const bool haveServer = server.start();
    CountingBoxes errors;
    ErrorBox errorBox(errors);
    BenchApplication app(argc, argv, errorBox);

    QCommandLineParser parser;
    parser.addHelpOption();
    Options options;
    const QCommandLineOption ticks(QStringLiteral("ticks"), QStringLiteral("Listening ticks at 1 ms."),
                                   QStringLiteral("N"), QString::number(options.ticks));
    const QCommandLineOption sentences(QStringLiteral("sentences"),
                                       QStringLiteral("Sentences spoken for real."), QStringLiteral("N"),
                                       QString::number(options.sentences));
    const QCommandLineOption interval(QStringLiteral("speech-interval"),
                                      QStringLiteral("Listening interval while speaking."),
                                      QStringLiteral("MS"), QString::number(options.speechInterval));
    const QCommandLineOption limit(QStringLiteral("time-limit"), QStringLiteral("Bound of each part."),
                                   QStringLiteral("S"), QString::number(options.timeLimitS));
    parser.addOptions({ticks, sentences, interval, limit});
    parser.process(app);
    options.ticks = qMax(10, parser.value(ticks).toInt());
    options.sentences = qMax(1, parser.value(sentences).toInt());
    options.speechInterval = qMax(1, parser.value(interval).toInt());
    options.timeLimitS = qMax(10, parser.value(limit).toInt());
    if (!haveServer) {
        std::fprintf(stderr, "bench_soak: %s\n", qPrintable(server.errorString()));
        return 1;
    }

    const bool ticksOk = soakTicks(options, errorBox, errors);
    const bool speechOk = soakSpeech(options, errorBox, errors);
    progress("\nsoak: ticks %s, speech %s\n", ticksOk ? "passed" : "FAILED", speechOk ? "passed" : "FAILED");
    return ticksOk && speechOk ? 0 : 1;
}
