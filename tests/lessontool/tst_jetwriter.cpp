// SPDX-License-Identifier: GPL-3.0-or-later
// The writer's files are read back with mdbtools' own programs, an
// independent reader of the Jet format.
#include "lessontool/jetwriter.h"
#include "lessontool/lessontsv.h"
#include "support/toolrun.h"

#include "base/errors.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using Rows = std::vector<QStringList>;
Q_DECLARE_METATYPE(Rows)

namespace {

ToolRun run(const QString &program, const QStringList &args)
{
    return runTool(program, args);
}

// libmdb decodes Jet 4 text as UCS-2, so each half of a surrogate pair comes out as '?'.
QString asLibmdbShows(const QString &text)
{
    QString out;
    for (const QChar c : text)
        out += c.isSurrogate() ? QChar(u'?') : c;
    return out;
}

// What `mdb-export -H -d TAB -Q -e` prints: one line per row, escaped as our TSV.
QByteArray expectedExport(const Rows &rows)
{
    QByteArray out;
    for (const QStringList &row : rows)
        out += LessonTsv::formatRow(asLibmdbShows(row[0]), asLibmdbShows(row[1]), asLibmdbShows(row[2]));
    return out;
}

QString repeated(const QString &unit, int times)
{
    return unit.repeated(times);
}

Rows manyRows(int count)
{
    Rows rows;
    for (int i = 0; i < count; ++i) {
        rows.push_back({QStringLiteral("n%1").arg(i, 5, 10, QLatin1Char('0')),
                        QStringLiteral("Sentence number %1 ").arg(i) + repeated(QStringLiteral("x"), i % 97),
                        repeated(QStringLiteral("句"), 1 + i % 53)});
    }
    return rows;
}

Rows reversed(Rows rows)
{
    std::reverse(rows.begin(), rows.end());
    return rows;
}

} // namespace

class TestJetWriter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void mdbtoolsReadItBack_data();
    void mdbtoolsReadItBack();
    void schemaAndCatalogue();
    void sameTablesSameBytes();
    void unstorableValues_data();
    void unstorableValues();
    void refusesBadTables_data();
    void refusesBadTables();
    void failedSaveLeavesNothing();

private:
    QString mdbTool(const char *name) const { return QStandardPaths::findExecutable(QLatin1String(name)); }
    QString writeFile(const QTemporaryDir &dir, const Rows &first, const Rows &second);
};

void TestJetWriter::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    if (mdbTool("mdb-export").isEmpty() || mdbTool("mdb-tables").isEmpty() || mdbTool("mdb-schema").isEmpty())
        QSKIP("mdbtools (mdb-export, mdb-tables, mdb-schema) is not installed");
}

QString TestJetWriter::writeFile(const QTemporaryDir &dir, const Rows &first, const Rows &second)
{
    JetWriter writer;
    writer.addTable(QStringLiteral("Razorud365"), JetWriter::lessonColumns(), first);
    writer.addTable(QStringLiteral("Durizez900"), JetWriter::lessonColumns(), second);
    const QString path = dir.filePath(QStringLiteral("Daruradazi.mdb"));
    writer.save(path);
    return path;
}

void TestJetWriter::mdbtoolsReadItBack_data()
{
    QTest::addColumn<Rows>("rows");

    QTest::newRow("Chinese text") << Rows{{"a1", "Hello, world.", QStringLiteral("你好，世界。")},
                                          {"a2", "Good night.", QStringLiteral("晚安。")}};
    QTest::newRow("characters with a zero low byte: 一 开")
        << Rows{{QStringLiteral("一"), "one", QStringLiteral("一")},
                {QStringLiteral("开1"), "open", QStringLiteral("开")},
                {"x", QStringLiteral("a一b"), QStringLiteral("一开始开门")},
                {"y", QStringLiteral("café 一"), QStringLiteral("abc开")}};
    QTest::newRow("empty and one- or two-character text")
        << Rows{{"e", "", ""}, {"e1", "a", QStringLiteral("中")}, {"e2", "ab", "cd"}, {"e3", "abc", "d"}};
    QTest::newRow("Latin-1 text") << Rows{
        {"l1", QStringLiteral("café naïve"), QStringLiteral("Ünïcödé ±½")},
        {QStringLiteral("ÿþ"), QStringLiteral("ÿþ looks like a mark"), "x"}};
    QTest::newRow("tabs, line breaks, backslashes")
        << Rows{{"c1", "one\ttwo\nthree\r\nfour", "C:\\path\\n"}, {"c\\2", "\\", "\t"}};
    QTest::newRow("U+FEFF first") << Rows{
        {"b1", QStringLiteral("\uFEFFHello"), QStringLiteral("\uFEFF中文")},
        {QStringLiteral("\uFEFFb2"), QStringLiteral("\uFEFF"), QStringLiteral("a\uFEFF")},
        {"b3", QStringLiteral("\uFEFF\uFEFF"), QStringLiteral("\uFEFFcafé")}};
    QTest::newRow("beyond the BMP") << Rows{{"u1", QStringLiteral("Smile 😀"), QStringLiteral("𠀀 and 😀😀")},
                                            {QStringLiteral("😀"), QStringLiteral("𠀀"), ""}};
    QTest::newRow("memos kept in the row")
        << Rows{{"m1", repeated("a", 1000), repeated(QStringLiteral("中"), 510)},
                {"m2", repeated("b", 1022), repeated(QStringLiteral("中"), 512)}};
    QTest::newRow("memos on one long-value row")
        << Rows{{"m3", repeated("a", 1500), repeated(QStringLiteral("中"), 1500)},
                {"m4", repeated("b", 4078), repeated(QStringLiteral("文"), 2040)},
                {"m5", "short", repeated(QStringLiteral("字"), 600)}};
    QTest::newRow("memos chained over long-value pages")
        << Rows{{"m6", repeated("c", 4079), repeated(QStringLiteral("文"), 2041)},
                {"m7", repeated("Sentence. ", 3000), repeated(QStringLiteral("中文句子。"), 1200)},
                {"m8", repeated(QStringLiteral("😀"), 3000), repeated(QStringLiteral("一开"), 3000)}};
    QTest::newRow("many rows over many pages") << manyRows(3000);
    QTest::newRow("no rows") << Rows{};
}

void TestJetWriter::mdbtoolsReadItBack()
{
    QFETCH(Rows, rows);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // The second table holds the rows backwards, so that mixed-up tables show.
    const QString path = writeFile(dir, rows, reversed(rows));

    const QStringList common{"-H", "-d", "\t", "-Q", "-e", path};
    const ToolRun first = run(mdbTool("mdb-export"), common + QStringList{"Razorud365"});
    QCOMPARE(first.exitCode, 0);
    QCOMPARE(first.err, QByteArray());
    QCOMPARE(first.out, expectedExport(rows));
    const ToolRun second = run(mdbTool("mdb-export"), common + QStringList{"Durizez900"});
    QCOMPARE(second.exitCode, 0);
    QCOMPARE(second.err, QByteArray());
    QCOMPARE(second.out, expectedExport(reversed(rows)));
}

void TestJetWriter::schemaAndCatalogue()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = writeFile(dir, {{"a", "b", "c"}}, {});

    const ToolRun tables = run(mdbTool("mdb-tables"), {"-1", path});
    QCOMPARE(tables.exitCode, 0);
    QCOMPARE(tables.out, QByteArray("Razorud365\nDurizez900\n"));
    const ToolRun all = run(mdbTool("mdb-tables"), {"-1", "-S", path});
    QCOMPARE(all.out, QByteArray("MSysObjects\nRazorud365\nDurizez900\n"));
    const ToolRun version = run(mdbTool("mdb-ver"), {path});
    QCOMPARE(version.out, QByteArray("JET4\n"));

    const ToolRun schema = run(mdbTool("mdb-schema"), {path, "access"});
    QCOMPARE(schema.exitCode, 0);
    QCOMPARE(schema.err, QByteArray());
    for (const char *table : {"Razorud365", "Durizez900"}) {
        const QByteArray expected =
            QByteArray("CREATE TABLE [") + table +
            "]\n (\n\t[NUMBER]\t\t\tText (255), \n\t[ENGLISH]\t\t\tMemo/Hyperlink (255), "
            "\n\t[CHINESE]\t\t\tMemo/Hyperlink (255)\n);";
        QVERIFY2(schema.out.contains(expected), schema.out.constData());
    }
}

void TestJetWriter::sameTablesSameBytes()
{
    auto build = [](const Rows &rows) {
        JetWriter writer;
        writer.addTable(QStringLiteral("Razorud365"), JetWriter::lessonColumns(), rows);
        return writer.image();
    };
    const Rows rows = manyRows(500);
    const QByteArray image = build(rows);
    QCOMPARE(build(rows), image);
    Rows changed = rows;
    changed[499][2] += QStringLiteral("。");
    QVERIFY(build(changed) != image);
}

void TestJetWriter::unstorableValues_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("text");      // the NUMBER column, else a memo
    QTest::addColumn<QString>("reason"); // empty when the value can be stored

    QTest::newRow("255 characters of NUMBER") << repeated("n", 255) << true << QString();
    QTest::newRow("256 characters of NUMBER") << repeated("n", 256) << true << "longer than 255 characters";
    QTest::newRow("a long memo") << repeated(QStringLiteral("中"), 100000) << false << QString();
    QTest::newRow("NUL") << QStringLiteral("a") + QChar(0) + QStringLiteral("b") << false << "NUL character";
    QTest::newRow("lone high surrogate") << QString(QChar(0xD83D)) + "x" << false << "unpaired surrogate";
    QTest::newRow("lone low surrogate") << "x" + QString(QChar(0xDE00)) << true << "unpaired surrogate";
    QTest::newRow("U+FEFF then Latin") << QStringLiteral("\uFEFFcafé") << false << QString();
    QTest::newRow("U+FEFF then 中") << QStringLiteral("\uFEFF中") << false << QString();
    QTest::newRow("U+FEFF then 一") << QStringLiteral("\uFEFF一") << false << "U+4E00";
    QTest::newRow("U+FEFF then 开") << QStringLiteral("\uFEFFab开") << true << "U+5F00";
    QTest::newRow("U+FEFF then 😀") << QStringLiteral("\uFEFF😀") << false << "U+1F600";
    QTest::newRow("一 without U+FEFF") << QStringLiteral("一\uFEFF") << false << QString();
    QTest::newRow("more than 16 MB") << repeated(QStringLiteral("中"), 8388608) << false
                                     << "longer than a Jet 4 memo";
}

void TestJetWriter::unstorableValues()
{
    QFETCH(QString, value);
    QFETCH(bool, text);
    QFETCH(QString, reason);
    const JetWriter::Column column = JetWriter::lessonColumns().at(text ? 0 : 1);
    const QString why = JetWriter::unstorableReason(value, column);
    if (reason.isEmpty()) {
        QVERIFY2(why.isEmpty(), qPrintable(why));
        return;
    }
    QVERIFY2(why.contains(reason), qPrintable(why));
    // addTable refuses the same value and says where it is.
    JetWriter writer;
    QStringList row{"n", "e", "c"};
    row[text ? 0 : 2] = value;
    try {
        writer.addTable(QStringLiteral("Lessons"), JetWriter::lessonColumns(), {{"a", "b", "c"}, row});
        QFAIL("addTable accepted the value");
    } catch (const AppError &error) {
        QVERIFY2(error.message().startsWith(
                     QStringLiteral("table Lessons, row 2: %1 ").arg(text ? "NUMBER" : "CHINESE")),
                 qPrintable(error.message()));
    }
}

void TestJetWriter::refusesBadTables_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QString>("reason");

    const QStringList lesson{"NUMBER", "ENGLISH", "CHINESE"};
    QTest::newRow("same name as the first table") << "razorud365" << lesson << Rows{} << "added twice";
    QTest::newRow("empty name") << "" << lesson << Rows{} << "bad table name";
    QTest::newRow("name with a dot") << "a.b" << lesson << Rows{} << "bad table name";
    QTest::newRow("system name") << "MSysObjects" << lesson << Rows{} << "bad table name";
    QTest::newRow("65 characters") << repeated("t", 65) << lesson << Rows{} << "bad table name";
    QTest::newRow("no columns") << "T" << QStringList{} << Rows{} << "no columns";
    QTest::newRow("column twice") << "T" << QStringList{"A", "a"} << Rows{} << "repeated column name";
    QTest::newRow("too many columns") << "T" << [] {
        QStringList many;
        for (int i = 0; i < 200; ++i)
            many << QStringLiteral("Column%1").arg(i);
        return many;
    }() << Rows{} << "too many columns";
    QTest::newRow("short row") << "T" << lesson << Rows{{"a", "b", "c"}, {"a", "b"}}
                               << "table T, row 2 has 2 values for 3 columns";
}

void TestJetWriter::refusesBadTables()
{
    QFETCH(QString, name);
    QFETCH(QStringList, columns);
    QFETCH(Rows, rows);
    QFETCH(QString, reason);
    JetWriter writer;
    writer.addTable(QStringLiteral("Razorud365"), JetWriter::lessonColumns(), {});
    std::vector<JetWriter::Column> definitions;
    for (const QString &column : columns)
        definitions.push_back({column, JetWriter::ColumnType::Memo, 0});
    try {
        writer.addTable(name, definitions, rows);
        QFAIL("accepted");
    } catch (const AppError &error) {
        QVERIFY2(error.message().contains(reason), qPrintable(error.message()));
    }
}

void TestJetWriter::failedSaveLeavesNothing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    JetWriter writer;
    writer.addTable(QStringLiteral("Razorud365"), JetWriter::lessonColumns(), {{"a", "b", "c"}});
    const QString path = dir.filePath(QStringLiteral("missing/Daruradazi.mdb"));
    QVERIFY_THROWS_EXCEPTION(AppError, writer.save(path));
    QVERIFY(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

QTEST_GUILESS_MAIN(TestJetWriter)
#include "tst_jetwriter.moc"
