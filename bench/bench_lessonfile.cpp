// SPDX-License-Identifier: GPL-3.0-or-later
// How fast the lesson file is written and read. Prints medians; never fails on timing.
//
//   bench_lessonfile [RUNS]
//
// Times, on a 10,000-row table of everyday sentences: the Jet 4 writer making
// the file image, the libmdb reader streaming the table in-process, checking
// that stream, and the whole reader child process, `daro-lessons-read` (no Qt)
// and `daro-lessons read`.
#include "lessons/plainrowstreamwriter.h"
#include "lessons/rowstream.h"
#include "lessontool/jetwriter.h"
#include "lessontool/mdbreader.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRows = 10000;

double medianMs(int runs, const std::function<void()> &step)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        step();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void report(const char *what, double ms)
{
    std::printf("%-52s %9.2f ms\n", what, ms);
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    std::vector<QStringList> rows;
    for (int i = 0; i < kRows; ++i) {
        rows.push_back({QStringLiteral("a%1").arg(i, 5, 10, QLatin1Char('0')),
                        QStringLiteral("This is sentence %1, one of everyday length.").arg(i),
                        QStringLiteral("这是第%1句，长度普通。").arg(i)});
    }
    JetWriter writer;
    writer.addTable(QStringLiteral("Razorud365"), JetWriter::lessonColumns(), rows);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Daruradazi.mdb"));
    writer.save(file);
    std::printf("lesson file: %d rows, %lld bytes; %d runs each\n\n", kRows, QFileInfo(file).size(), runs);

    report("Jet 4 writer, file image", medianMs(runs, [&] { writer.image(); }));
    QByteArray stream;
    report("libmdb reader, table to row stream, in-process", medianMs(runs, [&] {
               PlainRowStreamWriter out;
               MdbReader::stream(file.toStdString(), {"Razorud365"}, out);
               out.finish();
               stream = QByteArray::fromStdString(out.bytes());
           }));
    report("checking the row stream", medianMs(runs, [&] {
               RowStream parsed;
               QString why;
               if (!parseRowStream(stream, &parsed, &why))
                   std::printf("invalid stream: %s\n", qPrintable(why));
           }));
    report("daro-lessons-read, child process start to exit", medianMs(runs, [&] {
               QProcess process;
               process.start(QStringLiteral(DARO_LESSONS_READ_EXE), {file, QStringLiteral("Razorud365")});
               process.waitForFinished(-1);
               process.readAllStandardOutput();
           }));
    report("daro-lessons-read, usage error, start to exit", medianMs(runs, [&] {
               QProcess process;
               process.start(QStringLiteral(DARO_LESSONS_READ_EXE), QStringList{});
               process.waitForFinished(-1);
           }));
    report("daro-lessons read, child process start to exit", medianMs(runs, [&] {
               QProcess process;
               process.start(QStringLiteral(DARO_LESSONS_EXE),
                             {QStringLiteral("read"), file, QStringLiteral("Razorud365")});
               process.waitForFinished(-1);
               process.readAllStandardOutput();
           }));
    report("daro-lessons help, child process start to exit", medianMs(runs, [&] {
               QProcess process;
               process.start(QStringLiteral(DARO_LESSONS_EXE), {QStringLiteral("help")});
               process.waitForFinished(-1);
           }));
    return 0;
}
