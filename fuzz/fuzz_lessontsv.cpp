// SPDX-License-Identifier: GPL-3.0-or-later
// Lesson sources are edited by hand; the build tool must turn any text into
// rows or into one error naming the bad line.
#include "base/errors.h"
#include "fuzz/fuzzcheck.h"
#include "lessontool/lessontsv.h"

#include <QSet>

#include <cstddef>
#include <cstdint>

namespace {

const QString kFileName = QStringLiteral("lessons.tsv");

bool sameRows(const std::vector<LessonTsv::Row> &a, const std::vector<LessonTsv::Row> &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].number != b[i].number || a[i].english != b[i].english || a[i].chinese != b[i].chinese)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    std::vector<LessonTsv::Row> rows;
    try {
        rows = LessonTsv::parse(bytes, kFileName);
    } catch (const AppError &error) {
        // "<file>:<line>: <reason>", the line being one the text has.
        const QString prefix = kFileName + QLatin1Char(':');
        FUZZ_CHECK(error.message().startsWith(prefix));
        const qsizetype colon = error.message().indexOf(QLatin1String(": "), prefix.size());
        FUZZ_CHECK(colon > prefix.size());
        bool ok = false;
        const int line = error.message().mid(prefix.size(), colon - prefix.size()).toInt(&ok);
        FUZZ_CHECK(ok && line >= 1 && line <= bytes.count('\n') + 1);
        FUZZ_CHECK(colon + 2 < error.message().size());
        return 0;
    }

    QSet<QString> keys;
    int lastLine = 0;
    for (const LessonTsv::Row &row : rows) {
        FUZZ_CHECK(!row.number.isEmpty());
        FUZZ_CHECK(row.line > lastLine);
        lastLine = row.line;
        const QString key = LessonTsv::numberKey(row.number);
        FUZZ_CHECK(!keys.contains(key));
        keys.insert(key);
    }

    // What the tool writes back reads as the same rows. The comment line keeps
    // a first NUMBER that begins with U+FEFF off the first line, where it
    // would read as a byte order mark.
    QByteArray text = "# again\n";
    for (const LessonTsv::Row &row : rows)
        text += LessonTsv::formatRow(row.number, row.english, row.chinese);
    FUZZ_CHECK(sameRows(LessonTsv::parse(text, kFileName), rows));
    return 0;
}
