// SPDX-License-Identifier: GPL-3.0-or-later
// How long lessons take to load and open. Prints medians; never fails on timing.
//
//   bench_lessons [RUNS] [--save FILE]
//
// --save keeps a copy of the 10,000-row lesson file (for startup.py --lesson-file).
// Builds a 10,000-row lesson file with daro-lessons beside this program, then
// times: libmdb reading it in-process (the reference), a connection loading it
// through the reader child process, OpenLesson on the loaded table, and the
// three data sets opening the bundled lesson file as at start-up.
#include "base/errors.h"
#include "lessons/lessonconnection.h"
#include "lessons/lessonquery.h"
#include "lessons/lessonsnapshot.h"
#include "lessons/lessonsource.h"
#include "lessons/rowstream.h"
#include "lessons/snapshotfiller.h"
#include "lessons/tadodataset.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <mdbtools.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kRows = 10000;
const char *const kKeys[] = {"a", "b", "c", "d", "e", "f", "g", "h", "I",
                             "j", "k", "l", "m", "n", "o", "p", "q", "r"};

// Sentences of everyday length, numbered like the lessons: key, then a running number.
bool writeLessonSources(const QString &dir)
{
    QFile first(dir + QLatin1String("/Razorud365.tsv"));
    QFile second(dir + QLatin1String("/Durizez900.tsv"));
    if (!first.open(QIODevice::WriteOnly) || !second.open(QIODevice::WriteOnly))
        return false;
    QTextStream out(&first);
    for (int i = 0; i < kRows; ++i) {
        const QString key = QString::fromLatin1(kKeys[i % 18]);
        out << key << QStringLiteral("%1").arg(i / 18 + 1, 4, 10, QLatin1Char('0')) << '\t'
            << QStringLiteral("Sentence %1 of the listening course, long enough to be spoken aloud.").arg(i)
            << '\t' << QStringLiteral("听力课程的第%1句，长度足以朗读。").arg(i) << '\n';
    }
    QTextStream small(&second);
    for (int i = 0; i < 50; ++i)
        small << QStringLiteral("0a%1\tPattern %1.\t句型%1。\n").arg(i + 1, 2, 10, QLatin1Char('0'));
    return out.status() == QTextStream::Ok && small.status() == QTextStream::Ok;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Milliseconds per run of a step, as the median over the runs; before runs untimed ahead of each.
double timeRuns(int runs, const std::function<void()> &step, const std::function<void()> &before = {})
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (before)
            before();
        QElapsedTimer timer;
        timer.start();
        step();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return median(times);
}

// libmdb on its own: every column of every row of both tables, as text.
qint64 readWithLibmdb(const QString &fileName)
{
    MdbHandle *mdb = mdb_open(QFile::encodeName(fileName).constData(), MDB_NOFLAGS);
    if (!mdb)
        throw AppError(QStringLiteral("libmdb cannot open %1").arg(fileName));
    qint64 bytes = 0;
    if (mdb_read_catalog(mdb, MDB_TABLE)) {
        for (const char *name : {"Razorud365", "Durizez900"}) {
            QByteArray tableName(name);
            MdbTableDef *table = mdb_read_table_by_name(mdb, tableName.data(), MDB_TABLE);
            if (!table)
                continue;
            mdb_read_columns(table);
            mdb_rewind_table(table);
            const int columns = int(table->num_cols);
            std::vector<std::unique_ptr<char[]>> values;
            std::vector<int> lengths(size_t(columns), 0);
            for (int c = 0; c < columns; ++c) {
                values.emplace_back(new char[MDB_BIND_SIZE]);
                mdb_bind_column(table, c + 1, values.back().get(), &lengths[size_t(c)]);
            }
            while (mdb_fetch_row(table)) {
                for (int c = 0; c < columns; ++c)
                    bytes += lengths[size_t(c)];
            }
            mdb_free_tabledef(table);
        }
    }
    mdb_close(mdb);
    return bytes;
}

void print(const char *what, double ms)
{
    std::printf("%-58s %9.2f ms\n", what, ms);
}

int run(int runs, const QString &saveAs)
{
    const QString tool = QCoreApplication::applicationDirPath() + QLatin1String("/daro-lessons");
    QTemporaryDir dir;
    if (!dir.isValid() || !writeLessonSources(dir.path()))
        throw AppError(QStringLiteral("cannot write the lesson sources"));
    const QString file = dir.filePath(QStringLiteral("bench.mdb"));
    QProcess build;
    build.start(tool, {QStringLiteral("build"), dir.path(), QStringLiteral("-o"), file});
    if (!build.waitForFinished(120000) || build.exitStatus() != QProcess::NormalExit || build.exitCode() != 0)
        throw AppError(QStringLiteral("daro-lessons build failed: %1")
                           .arg(QString::fromLocal8Bit(build.readAllStandardError())));
    if (!saveAs.isEmpty() && (QFile::remove(saveAs), !QFile::copy(file, saveAs)))
        throw AppError(QStringLiteral("cannot save the lesson file as %1").arg(saveAs));
    std::printf("lesson file: %d + 50 rows, %lld bytes; %d runs each\n\n", kRows, QFileInfo(file).size(),
                runs);

    // The reference and the load take turns, run by run, so that a change in
    // the machine's load falls on both; the ratio is the median of the pairs'.
    // One untimed run of each first, so that neither pays for a cold start.
    qint64 textBytes = readWithLibmdb(file);
    const auto source = std::make_shared<ReaderLessonSource>();
    std::shared_ptr<const LessonSnapshot> held = source->load(file);
    std::vector<double> bareTimes, loadTimes, ratios;
    for (int i = 0; i < runs; ++i) {
        bareTimes.push_back(timeRuns(1, [&] { textBytes = readWithLibmdb(file); }));
        // Freed first (untimed), so that every run reads the file again.
        held.reset();
        loadTimes.push_back(timeRuns(1, [&] { held = source->load(file); }));
        ratios.push_back(loadTimes.back() / bareTimes.back());
    }
    const double bare = median(bareTimes);
    print("libmdb bare read, in-process (reference)", bare);
    if (held->query(QStringLiteral("select * from Razorud365")).rows.size() != size_t(kRows))
        throw AppError(QStringLiteral("the snapshot lost rows"));
    held.reset();
    print("connection load via the reader child process", median(loadTimes));
    std::printf("%-58s %9.2f x   (target <= 3)\n", "  ratio to the reference, median of the paired runs",
                median(ratios));

    // Where the time of a load goes.
    QByteArray output;
    const double child = timeRuns(runs, [&] {
        QProcess reader;
        reader.start(source->readerProgram(), QStringList{file} + LessonConnection::lessonTables());
        reader.waitForFinished(60000);
        output = reader.readAllStandardOutput();
    });
    print("  of which: the reader process, start to exit", child);
    const double idle = timeRuns(runs, [&] {
        QProcess reader;
        reader.start(source->readerProgram(), QStringList{});
        reader.waitForFinished(60000);
    });
    print("    of which: starting and ending it (its usage message)", idle);
    const double floor = timeRuns(runs, [&] {
        QProcess nothing;
        nothing.start(QStringLiteral("/bin/true"), QStringList{});
        nothing.waitForFinished(60000);
    });
    print("      against starting and ending /bin/true", floor);
    const double filled = timeRuns(runs, [&] {
        SnapshotFiller filler(file);
        RowStreamParser parser(filler);
        // In the pieces the load reads the pipe in.
        constexpr qsizetype kPiece = 256 * 1024;
        bool valid = true;
        for (qsizetype at = 0; valid && at < output.size(); at += kPiece)
            valid = parser.feed(QByteArrayView(output).sliced(at, qMin(kPiece, output.size() - at)));
        if (!valid || !parser.finish() || !filler.finish())
            throw AppError(parser.why() + filler.failure());
    });
    print("  of which: checking the stream while filling the snapshot", filled);
    RowStream stream;
    const double parse = timeRuns(runs, [&] {
        QString why;
        if (!parseRowStream(output, &stream, &why))
            throw AppError(why);
    });
    print("  for comparison: checking the whole stream into rows", parse);
    const double snapshotBuild = timeRuns(runs, [&] {
        LessonSnapshot snapshot(file);
        snapshot.addTables(stream.tables);
        snapshot.seal();
    });
    print("    and then building the snapshot from the rows", snapshotBuild);

    const QString connection =
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False")
            .arg(file);
    TADODataSet dataSet(QStringLiteral("ADODataSet1"), connection, QStringLiteral("select * from Razorud365"),
                        source);
    dataSet.Open();
    int rows = 0;
    // Another lesson first (untimed), so that each run asks the snapshot anew
    // rather than getting its last answer again.
    const auto another = [&] { OpenLesson(dataSet, QStringLiteral("Durizez900"), QStringLiteral("a")); };
    const double lesson = timeRuns(
        runs * 5,
        [&] {
            OpenLesson(dataSet, QStringLiteral("Razorud365"), QStringLiteral("a"));
            rows = dataSet.RecordCount();
        },
        another);
    std::printf("%-58s %9.2f ms  (target <= 5; %d rows)\n", "OpenLesson, one key of the 10,000-row table",
                lesson, rows);
    const double everything = timeRuns(
        runs * 5,
        [&] {
            OpenLesson(dataSet, QStringLiteral("Razorud365"), QStringLiteral("0"));
            rows = dataSet.RecordCount();
        },
        another);
    std::printf("%-58s %9.2f ms  (%d rows)\n", "OpenLesson, a key every row holds", everything, rows);
    dataSet.Close();

    const QString bundled = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                            QLatin1String("/../share/daro/Daruradazi.mdb"));
    if (!QFileInfo::exists(bundled)) {
        std::printf("\nbundled lesson file %s is not built; start-up not timed\n", qPrintable(bundled));
        return 0;
    }
    const QString readWrite =
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;User ID=admin;Data "
                       "Source=E:\\daro\\Daruradazi.mdb;Mode=ReadWrite;Persist Security "
                       "Info=False");
    const QString plain = QStringLiteral(
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=E:\\daro\\Daruradazi.mdb;Persist Security Info=False");
    const double startUp = timeRuns(runs, [&] {
        TADODataSet one(QStringLiteral("ADODataSet1"), readWrite, QStringLiteral("select * from Razorud365"),
                        source);
        TADODataSet two(QStringLiteral("ADODataSet2"), plain, QStringLiteral("select * from Razorud365"),
                        source);
        TADODataSet three(QStringLiteral("ADODataSet3"), plain, QStringLiteral("select * from Durizez900"),
                          source);
        one.Open();
        two.Open();
        three.Open();
    });
    print("three data sets opening the bundled file, as at start-up", startUp);
    const double bundledBare = timeRuns(runs, [&] { readWithLibmdb(bundled); });
    print("  libmdb bare read of the bundled file, for comparison", bundledBare);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QString saveAs;
    if (const qsizetype at = args.indexOf(QStringLiteral("--save")); at >= 0 && at + 1 < args.size()) {
        saveAs = args.at(at + 1);
        args.remove(at, 2);
    }
    const int runs = args.isEmpty() ? 15 : std::max(1, args.first().toInt());
    try {
        return run(runs, saveAs);
    } catch (const AppError &error) {
        std::fprintf(stderr, "bench_lessons: %s\n", error.what());
        return 1;
    }
}
