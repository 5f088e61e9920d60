// SPDX-License-Identifier: GPL-3.0-or-later
// How evenly the listening timer steps through a lesson: the real main window
// (data sets, bound boxes, timers) with a speech double that drops the text,
// one long lesson chosen on the Listen page, and the time of every tick taken
// when its sentence reaches Speak. Prints figures; never fails on timing.
//
//   bench_steps [--steps N] [--interval MS]     (default 100 steps of 3000 ms)
//
// Its lesson file, with one lesson of 999 rows, lies in ../share/daro beside
// the program (bench/steps/ in the build tree).
#include "base/ttimer.h"
#include "bench/benchapplication.h"
#include "bench/countingboxes.h"
#include "bench/measure.h"
#include "bench/observedspeech.h"
#include "controls/errorbox.h"
#include "lessons/catalogue.h"
#include "lessons/tadodataset.h"
#include "wnMain/services.h"
#include "wnMain/tfmmain.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStandardPaths>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char *argv[])
{
    CountingBoxes errors;
    ErrorBox errorBox(errors);
    BenchApplication app(argc, argv, errorBox);

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption stepsOption(QStringLiteral("steps"), QStringLiteral("Ticks to time."),
                                         QStringLiteral("N"), QStringLiteral("100"));
    const QCommandLineOption intervalOption(QStringLiteral("interval"), QStringLiteral("Timer interval."),
                                            QStringLiteral("MS"), QStringLiteral("3000"));
    const QCommandLineOption eachOption(QStringLiteral("each"), QStringLiteral("Print every tick."));
    parser.addOptions({stepsOption, intervalOption, eachOption});
    parser.process(app);
    const int steps = qMax(1, parser.value(stepsOption).toInt());
    const int interval = qMax(1, parser.value(intervalOption).toInt());

    QElapsedTimer clock;
    std::vector<qint64> ticks; // nanoseconds on the clock, one per Speak
    std::vector<int> rows;     // the row each tick showed
    ticks.reserve(size_t(steps) + 16);
    rows.reserve(size_t(steps) + 16);
    QEventLoop loop;
    std::unique_ptr<TfmMain> fm;

    Services services = Services::real();
    auto boxes = std::make_unique<CountingBoxes>();
    CountingBoxes *windowBoxes = boxes.get();
    services.messages = std::move(boxes);
    services.errors = &errorBox;
    services.speech = std::make_unique<ObservedSpeech>(nullptr, [&](const QString &) {
        ticks.push_back(clock.nsecsElapsed());
        rows.push_back(fm->ADODataSet1->RecNo());
        if (int(ticks.size()) == steps)
            loop.quit();
    });
    fm = std::make_unique<TfmMain>(std::move(services));
    fm->show();
    fm->Timer1->setInterval(interval);
    fm->Timer3->setInterval(interval);
    if (fm->findChild<QTabWidget *>(QStringLiteral("PageControl1"))->currentIndex() != 0) {
        std::fprintf(stderr, "the window did not start on the Listen page\n");
        return 1;
    }

    const CatalogueEntry &lesson = kCatalogue.front();
    QTimer::singleShot(qint64(steps) * interval + 60000, &loop, &QEventLoop::quit);
    const double loadBefore = loadAverage();
    const long switchesBefore = involuntarySwitches();
    clock.start();
    fm->lessonAction(lesson.menuItem)->trigger();
    const qint64 chosen = clock.nsecsElapsed();
    const int lessonRows = fm->ADODataSet1->RecordCount();
    loop.exec();
    const long preempted = involuntarySwitches() - switchesBefore;
    const double loadAfter = loadAverage();
    fm->findChild<QTabWidget *>(QStringLiteral("PageControl1"))->setCurrentIndex(1);

    if (int(ticks.size()) < steps) {
        std::fprintf(stderr, "only %zu of %d ticks came in time\n", ticks.size(), steps);
        return 1;
    }
    // Each tick must have shown the next row (until the lesson's last).
    int wrongRows = 0;
    for (int k = 0; k < steps; ++k)
        wrongRows += rows[size_t(k)] != qMin(k + 2, lessonRows);

    std::vector<double> stepMs;
    std::vector<double> stepError;
    double worstLateness = 0;
    for (int k = 0; k < steps; ++k) {
        const qint64 before = k ? ticks[size_t(k) - 1] : 0;
        const double step = double(ticks[size_t(k)] - before) / 1e6;
        stepMs.push_back(step);
        stepError.push_back(std::fabs(step - interval));
        const double lateness = double(ticks[size_t(k)]) / 1e6 - double(k + 1) * interval;
        worstLateness = std::max(worstLateness, std::fabs(lateness));
        if (parser.isSet(eachOption))
            std::printf("  tick %3d  step %9.3f ms  lateness %+8.3f ms\n", k + 1, step, lateness);
    }
    const double drift = double(ticks.back()) / 1e6 - double(steps) * interval;
    // Least-squares slope of the lateness over the tick number: a timer that
    // re-armed from each late tick would show a steady rise here.
    double sumK = 0, sumL = 0, sumKK = 0, sumKL = 0;
    for (int k = 0; k < steps; ++k) {
        const double lateness = double(ticks[size_t(k)]) / 1e6 - double(k + 1) * interval;
        sumK += k;
        sumL += lateness;
        sumKK += double(k) * k;
        sumKL += k * lateness;
    }
    const double spread = steps * sumKK - sumK * sumK;
    const double slope = spread > 0 ? (steps * sumKL - sumK * sumL) / spread : 0;

    std::printf("listening steps: %d ticks of %d ms on a lesson of %d rows (%s, key %s)\n", steps, interval,
                lessonRows, lesson.table, lesson.key);
    std::printf("  lesson chosen in %.3f ms (the timer starts inside that)\n", double(chosen) / 1e6);
    std::printf("  step time          median %10.3f ms   min %10.3f   max %10.3f\n", median(stepMs),
                percentile(stepMs, 0), percentile(stepMs, 1));
    std::printf("  step error |d-%d|  median %10.3f ms   p90 %10.3f   max %10.3f   (target <= 10 ms)\n",
                interval, median(stepError), percentile(stepError, 0.9), percentile(stepError, 1));
    std::printf("  drift: last tick vs start + %d x %d ms: %+.3f ms; widest lateness of any tick %.3f ms "
                "(target: no drift, <= 10 ms)\n",
                steps, interval, drift, worstLateness);
    std::printf("  lateness trend: %+.4f ms per tick (%+.2f ms over the run)\n", slope, slope * steps);
    std::printf("  load average %.2f before, %.2f after, on %d cores; the program was preempted %ld times\n",
                loadBefore, loadAfter, QThread::idealThreadCount(), preempted);
    std::printf("  rows stepped out of order: %d; error boxes: %d + %d\n", wrongRows, errors.count(),
                windowBoxes->count());
    return wrongRows == 0 && errors.count() == 0 && windowBoxes->count() == 0 ? 0 : 1;
}
