// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessons/rowstream.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <stdexcept>
#include <unistd.h>

Q_DECLARE_METATYPE(RowStream)

namespace {

QByteArray u32(quint32 value)
{
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
    return out;
}

QByteArray frame(char tag, const QByteArray &payload)
{
    return QByteArray(1, tag) + u32(quint32(payload.size())) + payload;
}

QByteArray strings(const QList<QByteArray> &values)
{
    QByteArray out = u32(quint32(values.size()));
    for (const QByteArray &value : values)
        out += u32(quint32(value.size())) + value;
    return out;
}

const QByteArray header = QByteArray("DAROROWS") + u32(2);
const QByteArray end = frame('Z', {});

TableRows table(const QString &name, const QStringList &columns, std::vector<QStringList> rows)
{
    TableRows t;
    t.name = name;
    t.columns = columns;
    t.rows = std::move(rows);
    return t;
}

TableRows missing(const QString &name)
{
    TableRows t;
    t.name = name;
    t.missing = true;
    return t;
}

TableRows unreadable(const QString &name, const QString &why)
{
    TableRows t;
    t.name = name;
    t.unreadable = why;
    return t;
}

void compareStreams(const RowStream &actual, const RowStream &expected)
{
    QCOMPARE(actual.readerError, expected.readerError);
    QCOMPARE(actual.tables.size(), expected.tables.size());
    for (size_t i = 0; i < expected.tables.size(); ++i) {
        QCOMPARE(actual.tables[i].name, expected.tables[i].name);
        QCOMPARE(actual.tables[i].missing, expected.tables[i].missing);
        QCOMPARE(actual.tables[i].unreadable, expected.tables[i].unreadable);
        QCOMPARE(actual.tables[i].columns, expected.tables[i].columns);
        QCOMPARE(actual.tables[i].rows, expected.tables[i].rows);
    }
}

// Writes down what a parser hands over.
struct Log : RowStreamReceiver
{
    QStringList lines;
    void table(const QString &name, const QStringList &columns) override
    {
        lines << QLatin1String("T ") + name + QLatin1Char('|') + columns.join(QLatin1Char('|'));
    }
    void row(const QByteArrayView *values, qsizetype count) override
    {
        QStringList row;
        for (qsizetype i = 0; i < count; ++i)
            row << decodeUtf8(values[i]);
        lines << QLatin1String("R ") + row.join(QLatin1Char('|'));
    }
    void missing(const QString &name) override { lines << QLatin1String("M ") + name; }
    void unreadable(const QString &name, const QString &why) override
    {
        lines << QLatin1String("U ") + name + QLatin1Char('|') + why;
    }
    void error(const QString &text) override { lines << QLatin1String("E ") + text; }
};

// What a parser hands over when the stream comes in pieces of the given size,
// then "valid" or why it is not.
QStringList fedInPieces(QByteArrayView bytes, qsizetype piece)
{
    Log log;
    RowStreamParser parser(log);
    bool valid = true;
    for (qsizetype at = 0; valid && at < bytes.size(); at += piece)
        valid = parser.feed(bytes.sliced(at, qMin(piece, bytes.size() - at)));
    valid = valid && parser.finish();
    return log.lines << (valid ? QStringLiteral("valid") : parser.why());
}

// The stream read whole, and read as it trickles in, gives the same.
bool sameInPieces(QByteArrayView bytes)
{
    const QStringList whole = fedInPieces(bytes, bytes.size() + 1);
    return fedInPieces(bytes, 1) == whole && fedInPieces(bytes, 7) == whole;
}

RowStream lessonSample()
{
    RowStream s;
    s.tables.push_back(table(QStringLiteral("Razorud365"), {"NUMBER", "ENGLISH", "CHINESE"},
                             {{"a1", "Good morning.", QStringLiteral("早上好。")},
                              {"a2", "", ""},
                              {"a3", "Tab\there\nand there", QStringLiteral("一开😀𠀀")}}));
    s.tables.push_back(missing(QStringLiteral("Durizez900")));
    s.tables.push_back(unreadable(QStringLiteral("课文"), QStringLiteral("页面损坏 (damaged page)")));
    return s;
}

} // namespace

class TestRowStream : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void writersAgree();
    void everyTruncationIsRejected();
    void rejectsMalformed_data();
    void rejectsMalformed();
    void failedParseLeavesOutputAlone();
    void survivesMutations();
    void writerRefusesMisuse_data();
    void writerRefusesMisuse();
    void writerRepairsInvalidUtf8();
    void utf8Validation_data();
    void utf8Validation();
};

void TestRowStream::roundTrip_data()
{
    QTest::addColumn<RowStream>("stream");

    QTest::newRow("nothing") << RowStream{};
    QTest::newRow("lesson tables") << lessonSample();
    RowStream empty;
    empty.tables.push_back(table(QStringLiteral("Empty"), {"A"}, {}));
    empty.tables.push_back(table(QStringLiteral("NoColumns"), {}, {{}, {}}));
    QTest::newRow("empty table, rows without columns") << empty;
    RowStream failed;
    failed.readerError = QStringLiteral("not a Jet database file");
    QTest::newRow("error only") << failed;
    RowStream partly = lessonSample();
    partly.readerError = QStringLiteral("cannot read table 名字");
    QTest::newRow("tables then error") << partly;
    RowStream odd;
    odd.tables.push_back(
        table(QStringLiteral("表"), {"", "x"}, {{QString(QChar(0)), QStringLiteral("\u2028")}}));
    QTest::newRow("NUL, empty column name, non-ASCII table name") << odd;
}

void TestRowStream::roundTrip()
{
    QFETCH(RowStream, stream);
    const QByteArray bytes = encodeRowStream(stream);
    RowStream parsed;
    QString why;
    QVERIFY2(parseRowStream(bytes, &parsed, &why), qPrintable(why));
    compareStreams(parsed, stream);
    QVERIFY(sameInPieces(bytes));
}

void TestRowStream::writersAgree()
{
    const RowStream sample = lessonSample();
    const QByteArray expected = encodeRowStream(sample);

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QTemporaryFile temporary;
    QVERIFY(temporary.open());
    FILE *file = fdopen(dup(temporary.handle()), "wb");
    QVERIFY(file);
    {
        RowStreamWriter toDevice(&buffer);
        RowStreamWriter toFile(file);
        for (RowStreamWriter *w : {&toDevice, &toFile}) {
            const TableRows &t = sample.tables[0];
            w->beginTable(t.name, t.columns);
            w->writeRow(t.rows[0]);
            // The same row given as UTF-8 bytes.
            const QByteArray a = t.rows[1][0].toUtf8(), b = t.rows[1][1].toUtf8(), c = t.rows[1][2].toUtf8();
            const QByteArrayView values[] = {a, b, c};
            w->writeRowUtf8(values, 3);
            w->writeRow(t.rows[2]);
            w->writeMissing(sample.tables[1].name);
            w->writeUnreadable(sample.tables[2].name, sample.tables[2].unreadable);
            QVERIFY(w->finish());
            QVERIFY(!w->failed());
        }
    }
    fclose(file);
    QCOMPARE(buffer.data(), expected);
    temporary.seek(0);
    QCOMPARE(temporary.readAll(), expected);
}

void TestRowStream::everyTruncationIsRejected()
{
    RowStream sample = lessonSample();
    sample.readerError = QStringLiteral("stopped");
    const QByteArray bytes = encodeRowStream(sample);
    for (qsizetype size = 0; size < bytes.size(); ++size) {
        RowStream parsed;
        QString why;
        QVERIFY2(!parseRowStream(QByteArrayView(bytes).first(size), &parsed, &why),
                 qPrintable(QStringLiteral("accepted the first %1 of %2 bytes").arg(size).arg(bytes.size())));
        QVERIFY(!why.isEmpty());
    }
}

void TestRowStream::rejectsMalformed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");

    const QByteArray t = frame('T', "Lessons");
    const QByteArray c = frame('C', strings({"NUMBER", "ENGLISH"}));
    const QByteArray r = frame('R', strings({"a1", "Hello"}));

    QTest::newRow("empty input") << QByteArray() << "not a row stream";
    QTest::newRow("wrong magic") << QByteArray("DAROROWZ") + u32(1) + end << "not a row stream";
    QTest::newRow("unknown version") << QByteArray("DAROROWS") + u32(3) + end << "unknown version";
    QTest::newRow("version 1, which knew no unreadable tables")
        << QByteArray("DAROROWS") + u32(1) + end << "unknown version";
    QTest::newRow("no end frame") << header + t + c + r << "ends before its end frame";
    QTest::newRow("bytes after end") << header + end + "x"
                                     << "follow the end frame";
    QTest::newRow("end with payload") << header + frame('Z', "x") << "end frame has a payload";
    QTest::newRow("unknown tag") << header + frame('Q', {}) + end << "unknown frame tag";
    QTest::newRow("row before any table") << header + r + end << "row outside a table";
    QTest::newRow("table without columns") << header + t + r + end << "column frame is missing";
    QTest::newRow("columns twice") << header + t + c + c + end << "column frame outside a table";
    QTest::newRow("columns without table") << header + c + end << "column frame outside a table";
    QTest::newRow("row after missing table")
        << header + t + c + frame('M', "X") + r + end << "row outside a table";
    QTest::newRow("too few values") << header + t + c + frame('R', strings({"a1"})) + end
                                    << "1 values for 2 columns";
    QTest::newRow("too many values") << header + t + c + frame('R', strings({"a", "b", "c"})) + end
                                     << "3 values for 2 columns";
    QTest::newRow("frame overruns stream") << header + QByteArray(1, 'T') + u32(1000) + "abc"
                                           << "overruns the stream";
    QTest::newRow("length near 4 GiB")
        << header + QByteArray(1, 'R') + u32(0xFFFFFFF0u) + end << "overruns the stream";
    QTest::newRow("string overruns frame")
        << header + t + frame('C', u32(1) + u32(50) + "short") + end << "overruns its frame";
    QTest::newRow("count beyond the payload")
        << header + t + frame('C', u32(0xFFFFFFFFu)) + end << "impossible";
    QTest::newRow("count missing") << header + t + frame('C', "ab") + end << "count is missing";
    QTest::newRow("left-over bytes") << header + t + frame('C', strings({"A"}) + "!") + end << "left over";
    QTest::newRow("value not UTF-8") << header + t + c + frame('R', strings({"a1", "\xC0\x80"})) + end
                                     << "not valid UTF-8";
    QTest::newRow("column not UTF-8")
        << header + t + frame('C', strings({"\xFF"})) + end << "not valid UTF-8";
    QTest::newRow("table name not UTF-8")
        << header + frame('T', "\xED\xA0\x80") + c + end << "bad table name";
    QTest::newRow("empty table name") << header + frame('T', {}) + c + end << "bad table name";
    QTest::newRow("empty missing name") << header + frame('M', {}) + end << "bad table name";
    QTest::newRow("table named twice") << header + t + c + frame('M', "LESSONS") + end << "appears twice";
    const QByteArray nameAndWhy = u32(3) + "Les" + u32(6) + "broken";
    QTest::newRow("row after unreadable table")
        << header + t + c + frame('U', u32(1) + "X" + u32(1) + "y") + r + end << "row outside a table";
    QTest::newRow("unreadable table without reason")
        << header + frame('U', u32(3) + "Les" + u32(0)) + end << "reason for an unreadable table is empty";
    QTest::newRow("unreadable table, name only")
        << header + frame('U', u32(3) + "Les") + end << "must hold a name and a reason";
    QTest::newRow("unreadable table, bytes after the reason")
        << header + frame('U', nameAndWhy + "!") + end << "must hold a name and a reason";
    QTest::newRow("unreadable table, reason not UTF-8")
        << header + frame('U', u32(3) + "Les" + u32(1) + "\xFF") + end << "not valid UTF-8";
    QTest::newRow("table also unreadable")
        << header + t + c + frame('U', u32(7) + "lessons" + u32(1) + "y") + end << "appears twice";
    QTest::newRow("table after error") << header + frame('E', "oops") + t + c + end << "only the end frame";
    QTest::newRow("two errors") << header + frame('E', "a") + frame('E', "b") + end << "only the end frame";
    QTest::newRow("empty error") << header + frame('E', {}) + end << "error frame is empty";
    QTest::newRow("error not UTF-8") << header + frame('E', "\xF8") + end << "not valid UTF-8";
}

void TestRowStream::rejectsMalformed()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    RowStream parsed;
    QString why;
    QVERIFY(!parseRowStream(bytes, &parsed, &why));
    QVERIFY2(why.contains(reason), qPrintable(why));
    QCOMPARE(fedInPieces(bytes, 1).last(), why);
    QVERIFY(sameInPieces(bytes));
}

void TestRowStream::failedParseLeavesOutputAlone()
{
    RowStream before = lessonSample();
    RowStream out = before;
    QByteArray bytes = encodeRowStream(lessonSample());
    bytes.chop(1);
    QString why;
    QVERIFY(!parseRowStream(bytes, &out, &why));
    compareStreams(out, before);
}

void TestRowStream::survivesMutations()
{
    RowStream sample = lessonSample();
    sample.readerError = QStringLiteral("partial");
    const QByteArray original = encodeRowStream(sample);
    QRandomGenerator random(20240611);
    int accepted = 0;
    for (int round = 0; round < 5000; ++round) {
        QByteArray bytes = original;
        const int changes = 1 + int(random.bounded(4));
        for (int i = 0; i < changes && !bytes.isEmpty(); ++i) {
            const int at = int(random.bounded(quint32(bytes.size())));
            switch (random.bounded(3)) {
            case 0:
                bytes[at] = char(random.bounded(256));
                break;
            case 1:
                bytes.remove(at, 1 + int(random.bounded(8)));
                break;
            default:
                bytes.insert(at, char(random.bounded(256)));
            }
        }
        RowStream parsed;
        QString why;
        QVERIFY2(sameInPieces(bytes), qPrintable(bytes.toHex()));
        if (!parseRowStream(bytes, &parsed, &why)) {
            QVERIFY(!why.isEmpty());
            continue;
        }
        // Whatever is accepted must be a stream the writer can produce.
        ++accepted;
        RowStream again;
        QVERIFY2(parseRowStream(encodeRowStream(parsed), &again, &why), qPrintable(why));
        compareStreams(again, parsed);
        if (QTest::currentTestFailed())
            return;
    }
    qInfo("%d of 5000 mutated streams were still valid", accepted);
}

void TestRowStream::writerRefusesMisuse_data()
{
    QTest::addColumn<int>("misuse");
    QTest::newRow("row before any table") << 0;
    QTest::newRow("too few values") << 1;
    QTest::newRow("raw row with too many values") << 2;
    QTest::newRow("table named twice") << 3;
    QTest::newRow("empty table name") << 4;
    QTest::newRow("table after the error") << 5;
    QTest::newRow("empty error text") << 6;
    QTest::newRow("anything after finish") << 7;
    QTest::newRow("row after a missing table") << 8;
    QTest::newRow("unreadable table without a reason") << 9;
    QTest::newRow("unreadable table named twice") << 10;
}

void TestRowStream::writerRefusesMisuse()
{
    QFETCH(int, misuse);
    RowStreamWriter w;
    const QByteArrayView three[] = {"a", "b", "c"};
    auto act = [&] {
        switch (misuse) {
        case 0:
            w.writeRow({"a"});
            break;
        case 1:
            w.beginTable("T", {"A", "B"});
            w.writeRow({"a"});
            break;
        case 2:
            w.beginTable("T", {"A", "B"});
            w.writeRowUtf8(three, 3);
            break;
        case 3:
            w.beginTable("Lessons", {"A"});
            w.writeMissing("lessons");
            break;
        case 4:
            w.writeMissing("");
            break;
        case 5:
            w.writeError("broken");
            w.beginTable("T", {"A"});
            break;
        case 6:
            w.writeError("");
            break;
        case 7:
            w.finish();
            w.writeMissing("T");
            break;
        case 8:
            w.beginTable("T", {"A"});
            w.writeMissing("U");
            w.writeRow({"a"});
            break;
        case 9:
            w.writeUnreadable("T", "");
            break;
        case 10:
            w.writeMissing("T");
            w.writeUnreadable("t", "broken");
            break;
        }
    };
    QVERIFY_THROWS_EXCEPTION(std::logic_error, act());
}

void TestRowStream::writerRepairsInvalidUtf8()
{
    RowStreamWriter w;
    w.beginTable("T", {"A", "B"});
    const QByteArrayView values[] = {"ok \xE4\xB8\x80", "bad \xFF\xC0\x80 end"};
    w.writeRowUtf8(values, 2);
    w.finish();
    RowStream parsed;
    QString why;
    QVERIFY2(parseRowStream(w.bytes(), &parsed, &why), qPrintable(why));
    QCOMPARE(parsed.tables.at(0).rows.at(0).at(0), QStringLiteral("ok 一"));
    const QString repaired = parsed.tables.at(0).rows.at(0).at(1);
    QVERIFY(repaired.startsWith(QLatin1String("bad ")));
    QVERIFY(repaired.endsWith(QLatin1String(" end")));
    QVERIFY(repaired.contains(QChar(QChar::ReplacementCharacter)));
}

void TestRowStream::utf8Validation_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");

    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("ASCII with NUL") << QByteArray("a\0b", 3) << true;
    QTest::newRow("two bytes, lowest") << QByteArray("\xC2\x80") << true;
    QTest::newRow("three bytes: 一") << QByteArray("\xE4\xB8\x80") << true;
    QTest::newRow("highest BMP U+FFFF") << QByteArray("\xEF\xBF\xBF") << true;
    QTest::newRow("four bytes: 😀") << QByteArray("\xF0\x9F\x98\x80") << true;
    QTest::newRow("highest U+10FFFF") << QByteArray("\xF4\x8F\xBF\xBF") << true;
    QTest::newRow("overlong NUL") << QByteArray("\xC0\x80") << false;
    QTest::newRow("overlong three bytes") << QByteArray("\xE0\x9F\xBF") << false;
    QTest::newRow("overlong four bytes") << QByteArray("\xF0\x8F\xBF\xBF") << false;
    QTest::newRow("surrogate U+D800") << QByteArray("\xED\xA0\x80") << false;
    QTest::newRow("surrogate U+DFFF") << QByteArray("\xED\xBF\xBF") << false;
    QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false;
    QTest::newRow("five-byte lead") << QByteArray("\xF8\x88\x80\x80\x80") << false;
    QTest::newRow("lone continuation") << QByteArray("a\x80") << false;
    QTest::newRow("cut short at the end") << QByteArray("ab\xE4\xB8") << false;
    QTest::newRow("ASCII where a continuation belongs") << QByteArray("\xE4\x41\x80") << false;
    QTest::newRow("FE byte") << QByteArray("\xFE") << false;
    QTest::newRow("first of four, then ASCII") << QByteArray("\xF0\x9F"
                                                             "A")
                                               << false;
    QTest::newRow("two-byte lead before a lead") << QByteArray("\xC2\xC2\x80") << false;
    QTest::newRow("surrogate cut short at the end") << QByteArray("x\xED\xA0") << false;
    QTest::newRow("F5 lead") << QByteArray("\xF5\x80\x80\x80") << false;
    // Long ASCII runs are checked by the word; what follows or breaks them still counts.
    QTest::newRow("long ASCII, then 一") << QByteArray("Good morning, \xE4\xB8\x80") << true;
    QTest::newRow("long ASCII, then a lone continuation") << QByteArray("Good morning\x80") << false;
    QTest::newRow("lone continuation inside a word") << QByteArray("Good\x80morning, class") << false;
    QTest::newRow("cut short after a word of ASCII") << QByteArray("Good mor\xE4\xB8") << false;
}

void TestRowStream::utf8Validation()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QCOMPARE(isValidUtf8(bytes), valid);
    // The reader repairs text without Qt, to what Qt's decoder makes of it.
    const std::string repaired = PlainRowStreamWriter::repairedUtf8(bytes.toStdString());
    QCOMPARE(QByteArray::fromStdString(repaired), decodeUtf8(bytes).toUtf8());
}

QTEST_GUILESS_MAIN(TestRowStream)
#include "tst_rowstream.moc"
