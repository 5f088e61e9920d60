// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessontool/lessoncommands.h"

#include "base/errors.h"
#include "lessontool/jetwriter.h"
#include "lessontool/lessontsv.h"
#include "lessontool/mdbrows.h"

#include <QDir>

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

void printError(const QString &message)
{
    fprintf(stderr, "daro-lessons: %s\n", message.toLocal8Bit().constData());
}

int usageError(const QString &message)
{
    printError(message);
    printUsage(stderr);
    return kUsage;
}

bool writeOut(const QByteArray &bytes)
{
    return fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
}

qsizetype columnIndex(const QStringList &columns, const QString &name)
{
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace

QStringList lessonTableNames()
{
    return {QStringLiteral("Razorud365"), QStringLiteral("Durizez900")};
}

void printUsage(FILE *to)
{
    fputs("usage: daro-lessons build DIR -o FILE.mdb\n"
          "       daro-lessons dump FILE.mdb [TABLE]\n"
          "       daro-lessons read FILE.mdb TABLE [TABLE...]\n"
          "       daro-lessons query FILE.mdb TABLE KEY\n",
          to);
}

int runBuild(const QStringList &args)
{
    QString directory;
    QString output;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("-o")) {
            if (++i == args.size() || !output.isEmpty())
                return usageError(QStringLiteral("build needs one output file after -o"));
            output = args.at(i);
        } else if (directory.isEmpty()) {
            directory = args.at(i);
        } else {
            return usageError(QStringLiteral("build takes one source directory"));
        }
    }
    if (directory.isEmpty() || output.isEmpty())
        return usageError(QStringLiteral("build needs a source directory and -o FILE.mdb"));

    try {
        const std::vector<JetWriter::Column> columns = JetWriter::lessonColumns();
        JetWriter writer;
        for (const QString &table : lessonTableNames()) {
            const QString path = QDir(directory).filePath(table + QLatin1String(".tsv"));
            std::vector<QStringList> rows;
            for (LessonTsv::Row &row : LessonTsv::readFile(path)) {
                const QStringList values{std::move(row.number), std::move(row.english),
                                         std::move(row.chinese)};
                for (size_t c = 0; c < columns.size(); ++c) {
                    const QString why = JetWriter::unstorableReason(values.at(qsizetype(c)), columns[c]);
                    if (!why.isEmpty())
                        throw AppError(
                            QStringLiteral("%1:%2: %3 %4").arg(path).arg(row.line).arg(columns[c].name, why));
                }
                rows.push_back(values);
            }
            writer.addTable(table, columns, std::move(rows));
        }
        writer.save(output);
    } catch (const AppError &error) {
        printError(error.message());
        return kFailed;
    }
    return kDone;
}

int runDump(const QStringList &args)
{
    if (args.isEmpty() || args.size() > 2)
        return usageError(QStringLiteral("dump needs a lesson file and at most one table"));
    const QString path = args.at(0);
    const RowStream stream = readLessonFile(path, args.mid(1));
    if (!stream.readerError.isEmpty()) {
        printError(QStringLiteral("%1: %2").arg(path, stream.readerError));
        return kFailed;
    }
    int status = kDone;
    for (const TableRows &table : stream.tables) {
        if (table.missing) {
            printError(QStringLiteral("%1: there is no table %2").arg(path, table.name));
            return kFailed;
        }
        if (!table.unreadable.isEmpty()) {
            printError(
                QStringLiteral("%1: cannot read table %2: %3").arg(path, table.name, table.unreadable));
            return kFailed;
        }
        const qsizetype number = columnIndex(table.columns, QStringLiteral("NUMBER"));
        const qsizetype english = columnIndex(table.columns, QStringLiteral("ENGLISH"));
        const qsizetype chinese = columnIndex(table.columns, QStringLiteral("CHINESE"));
        if (number < 0 || english < 0 || chinese < 0) {
            printError(QStringLiteral("%1: table %2 lacks NUMBER, ENGLISH or CHINESE").arg(path, table.name));
            return kFailed;
        }
        QByteArray out;
        for (size_t r = 0; r < table.rows.size(); ++r) {
            const QStringList &row = table.rows[r];
            // Such rows cannot come back through build: say so, but keep them.
            if (row.at(number).isEmpty() || row.at(number).startsWith(QLatin1Char('#'))) {
                printError(QStringLiteral("%1: table %2, row %3: NUMBER \"%4\" is empty or starts with #")
                               .arg(path, table.name)
                               .arg(r + 1)
                               .arg(row.at(number)));
            }
            out += LessonTsv::formatRow(row.at(number), row.at(english), row.at(chinese));
        }
        if (!writeOut(out))
            status = kFailed;
    }
    if (fflush(stdout) != 0)
        status = kFailed;
    return status;
}
