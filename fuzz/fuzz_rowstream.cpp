// SPDX-License-Identifier: GPL-3.0-or-later
// The row stream comes from a child process that reads a possibly damaged
// file, so the program must take any bytes from it without harm.
#include "fuzz/fuzzcheck.h"
#include "lessons/rowstream.h"

#include <cstddef>
#include <cstdint>

namespace {

bool sameStream(const RowStream &a, const RowStream &b)
{
    if (a.readerError != b.readerError || a.tables.size() != b.tables.size())
        return false;
    for (size_t i = 0; i < a.tables.size(); ++i) {
        const TableRows &x = a.tables[i];
        const TableRows &y = b.tables[i];
        if (x.name != y.name || x.missing != y.missing || x.unreadable != y.unreadable ||
            x.columns != y.columns || x.rows != y.rows)
            return false;
    }
    return true;
}

// The validator and Qt's decoder must agree: valid text survives the round
// trip unchanged, and anything else cannot (the decoder only ever yields
// valid text).
void checkUtf8(QByteArrayView bytes)
{
    const bool valid = isValidUtf8(bytes);
    const QByteArray again = decodeUtf8(bytes).toUtf8();
    FUZZ_CHECK(valid == (again == bytes));
    FUZZ_CHECK(isValidUtf8(again));
    // The reader's writer repairs without Qt, as Qt's decoder reads.
    FUZZ_CHECK(PlainRowStreamWriter::repairedUtf8(std::string_view(bytes.data(), size_t(bytes.size()))) ==
               again.toStdString());
}

// Values from the database file are arbitrary bytes; the writer repairs them
// into a stream the parser takes.
void checkRepair(QByteArrayView bytes)
{
    RowStreamWriter writer;
    writer.beginTable(QStringLiteral("t"), {QStringLiteral("a"), QStringLiteral("b")});
    const QByteArrayView values[2] = {bytes.first(bytes.size() / 2), bytes.sliced(bytes.size() / 2)};
    writer.writeRowUtf8(values, 2);
    writer.finish();
    RowStream repaired;
    QString why;
    FUZZ_CHECK(parseRowStream(writer.bytes(), &repaired, &why));
    FUZZ_CHECK(repaired.tables.size() == 1 && repaired.tables[0].rows.size() == 1);
    FUZZ_CHECK(repaired.tables[0].rows[0].at(0) == decodeUtf8(values[0]));
    FUZZ_CHECK(repaired.tables[0].rows[0].at(1) == decodeUtf8(values[1]));
}

// Counts what a parser hands over.
struct Tally : RowStreamReceiver
{
    size_t items = 0;
    void table(const QString &, const QStringList &) override { ++items; }
    void row(const QByteArrayView *, qsizetype) override { ++items; }
    void missing(const QString &) override { ++items; }
    void unreadable(const QString &, const QString &) override { ++items; }
    void error(const QString &) override { ++items; }
};

// The reader's stream arrives in pieces; wherever it is cut, the parser must
// come to what it finds in the whole.
void checkPieces(QByteArrayView bytes, bool valid, const QString &why, size_t items)
{
    const qsizetype cuts[] = {bytes.size() / 3, bytes.size() / 3 + bytes.size() / 5, bytes.size() - 1};
    Tally tally;
    RowStreamParser parser(tally);
    qsizetype at = 0;
    bool ok = true;
    for (const qsizetype cut : cuts) {
        if (ok && cut > at) {
            ok = parser.feed(bytes.sliced(at, cut - at));
            at = cut;
        }
    }
    ok = ok && parser.feed(bytes.sliced(at)) && parser.finish();
    FUZZ_CHECK(ok == valid);
    FUZZ_CHECK(ok || parser.why() == why);
    FUZZ_CHECK(!ok || tally.items == items);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    checkUtf8(bytes);
    checkRepair(bytes);

    RowStream sentinel;
    sentinel.readerError = QStringLiteral("untouched");
    RowStream parsed = sentinel;
    QString why;
    if (!parseRowStream(bytes, &parsed, &why)) {
        FUZZ_CHECK(!why.isEmpty());
        FUZZ_CHECK(sameStream(parsed, sentinel));
        checkPieces(bytes, false, why, 0);
        return 0;
    }
    size_t items = parsed.readerError.isEmpty() ? 0 : 1;
    for (const TableRows &table : parsed.tables)
        items += 1 + table.rows.size();
    checkPieces(bytes, true, why, items);

    // Only the canonical form is accepted: writing what was read gives the
    // very same bytes, which the writer must not refuse.
    const QByteArray written = encodeRowStream(parsed);
    FUZZ_CHECK(written == bytes);
    for (const TableRows &table : parsed.tables) {
        FUZZ_CHECK(!table.name.isEmpty());
        FUZZ_CHECK(!table.missing || (table.columns.isEmpty() && table.rows.empty()));
        // A table that could not be read says why, and has nothing else.
        FUZZ_CHECK(table.unreadable.isEmpty() ||
                   (!table.missing && table.columns.isEmpty() && table.rows.empty()));
        for (const QStringList &row : table.rows)
            FUZZ_CHECK(row.size() == table.columns.size());
    }

    return 0;
}
