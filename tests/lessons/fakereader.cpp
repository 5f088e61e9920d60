// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for the lesson reader and misbehaves on demand, as a reader on a
// damaged file might. DARO_FAKE_READER picks the behaviour; the arguments are
// those of "daro-lessons-read FILE TABLE...".
#include "lessons/rowstream.h"

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <signal.h>
#include <unistd.h>

namespace {

void logLine(const QByteArray &line)
{
    if (const QByteArray log = qgetenv("DARO_FAKE_READER_LOG"); !log.isEmpty()) {
        QFile file(QString::fromLocal8Bit(log));
        if (file.open(QIODevice::WriteOnly | QIODevice::Append))
            file.write(line + '\n');
    }
}

// A small lesson table: rows a1..a3 in file order, with or without some columns.
void writeTable(RowStreamWriter &writer, const QString &name, bool withEnglish, bool withNumber)
{
    QStringList columns;
    if (withNumber)
        columns << QStringLiteral("NUMBER");
    if (withEnglish)
        columns << QStringLiteral("ENGLISH");
    columns << QStringLiteral("CHINESE");
    writer.beginTable(name, columns);
    for (int i = 1; i <= 3; ++i) {
        QStringList row;
        if (withNumber)
            row << QStringLiteral("a%1").arg(i);
        if (withEnglish)
            row << QStringLiteral("%1 English %2").arg(name).arg(i);
        row << QStringLiteral("%1 中文 %2").arg(name).arg(i);
        writer.writeRow(row);
    }
}

void sleepForever()
{
    for (;;)
        ::pause();
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray mode = qgetenv("DARO_FAKE_READER");
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    // Leaves its arguments where the test can look.
    logLine("reader " + QByteArray::number(qint64(::getpid())) + ' ' + args.join(QLatin1Char('|')).toUtf8());
    if (args.size() < 2)
        return 2;
    const QStringList tables = args.mid(1);

    if (mode == "crash") {
        ::raise(SIGSEGV);
        return 0;
    }
    if (mode == "abort")
        std::abort();
    if (mode == "hang")
        sleepForever();
    if (mode == "hang-with-child") {
        // A grandchild that would outlive a reader killed on its own.
        // The reader hangs only once the grandchild has logged its pid.
        int ready[2];
        if (::pipe(ready) != 0)
            return 1;
        if (::fork() == 0) {
            ::close(ready[0]);
            logLine("child " + QByteArray::number(qint64(::getpid())));
            ::close(ready[1]);
            sleepForever();
        }
        ::close(ready[1]);
        char byte;
        while (::read(ready[0], &byte, 1) > 0) {
        }
        sleepForever();
    }
    if (mode == "flood") {
        const QByteArray chunk(1 << 16, 'x');
        for (;;)
            if (std::fwrite(chunk.constData(), 1, size_t(chunk.size()), stdout) != size_t(chunk.size()))
                return 1;
    }
    if (mode == "garbage") {
        QByteArray bytes(4096, '\0');
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        return 0;
    }
    if (mode == "nothing")
        return 0;

    if (mode == "slow")
        ::usleep(300 * 1000);

    RowStreamWriter writer;
    if (mode == "reader-error") {
        writer.writeError(QStringLiteral("not a lesson file"));
    } else {
        for (const QString &table : tables) {
            if (mode == "missing-second" && table == tables.last())
                writer.writeMissing(table);
            else if (mode == "unreadable-second" && table == tables.last())
                writer.writeUnreadable(table, QStringLiteral("its pages are scrambled"));
            else
                writeTable(writer, table, mode != "no-english", mode != "no-number");
        }
    }
    writer.finish();
    QByteArray bytes = writer.bytes();
    if (mode == "truncated")
        bytes.chop(5);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
    if (mode == "exit-3")
        return 3;
    if (mode == "stall-after-output")
        sleepForever();
    return 0;
}
