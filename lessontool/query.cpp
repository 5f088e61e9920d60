// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessontool/query.h"

#include "base/errors.h"
#include "lessons/lessonquery.h"
#include "lessons/lessonsnapshot.h"
#include "lessontool/lessontsv.h"
#include "lessontool/mdbrows.h"

#include <QFileInfo>

#include <cstdio>

namespace {

void complain(const QString &text)
{
    std::fprintf(stderr, "daro-lessons query: %s\n", text.toLocal8Bit().constData());
}

qsizetype columnOf(const LessonResult &result, const char *name, const QString &table, const QString &file)
{
    for (qsizetype i = 0; i < result.columns.size(); ++i) {
        if (result.columns.at(i).compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return i;
    }
    throw AppError(QStringLiteral("The table '%1' of the lesson file '%2' has no column '%3'.")
                       .arg(table, file, QLatin1String(name)));
}

} // namespace

int runQuery(const QStringList &args)
{
    if (args.size() != 3 || args.at(1).isEmpty()) {
        complain(QStringLiteral("usage: daro-lessons query FILE.mdb TABLE KEY"));
        return 2;
    }
    const QString &file = args.at(0);
    const QString &table = args.at(1);
    const QString &key = args.at(2);
    try {
        if (!QFileInfo(file).isFile())
            throw AppError(QStringLiteral("The lesson file '%1' was not found.").arg(file));
        // The same reader as `read`, in-process: this is a tool, not the program.
        const RowStream stream = readLessonFile(file, {table});
        if (!stream.readerError.isEmpty())
            throw AppError(
                QStringLiteral("The lesson file '%1' cannot be read: %2").arg(file, stream.readerError));
        LessonSnapshot snapshot(file);
        snapshot.addTables(stream.tables);
        snapshot.seal();

        const LessonResult result = snapshot.query(LessonQuery(table, key));
        const qsizetype number = columnOf(result, "NUMBER", table, file);
        const qsizetype english = columnOf(result, "ENGLISH", table, file);
        const qsizetype chinese = columnOf(result, "CHINESE", table, file);
        QByteArray out;
        for (const QStringList &row : result.rows)
            out += LessonTsv::formatRow(row.at(number), row.at(english), row.at(chinese));
        if (std::fwrite(out.constData(), 1, size_t(out.size()), stdout) != size_t(out.size()) ||
            std::fflush(stdout) != 0)
            throw AppError(QStringLiteral("cannot write the rows"));
    } catch (const AppError &error) {
        complain(error.message());
        return 1;
    }
    return 0;
}
