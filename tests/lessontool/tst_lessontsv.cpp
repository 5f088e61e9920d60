// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessontool/lessontsv.h"

#include "base/errors.h"

#include <QTest>

namespace {

// A row as "line|NUMBER|ENGLISH|CHINESE", easy to list in a table.
QString describe(const LessonTsv::Row &row)
{
    return QStringLiteral("%1|%2|%3|%4").arg(row.line).arg(row.number, row.english, row.chinese);
}

QStringList describeAll(const std::vector<LessonTsv::Row> &rows)
{
    QStringList out;
    for (const LessonTsv::Row &row : rows)
        out.append(describe(row));
    return out;
}

} // namespace

class TestLessonTsv : public QObject
{
    Q_OBJECT

private slots:
    void parsesRows_data();
    void parsesRows();
    void rejectsBadLines_data();
    void rejectsBadLines();
    void formatParsesBack_data();
    void formatParsesBack();
    void readsFiles();
};

void TestLessonTsv::parsesRows_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("one row") << QByteArray("a1\tHello.\t你好。\n") << QStringList{"1|a1|Hello.|你好。"};
    QTest::newRow("no final line feed") << QByteArray("a1\tx\ty") << QStringList{"1|a1|x|y"};
    QTest::newRow("CRLF endings") << QByteArray("a1\tx\ty\r\na2\tz\tw\r\n")
                                  << QStringList{"1|a1|x|y", "2|a2|z|w"};
    QTest::newRow("comments and blank lines keep line numbers")
        << QByteArray("# heading\n\na1\tx\ty\n\r\n#a2\tnot\ta row\nb1\tu\tv\n")
        << QStringList{"3|a1|x|y", "6|b1|u|v"};
    QTest::newRow("# inside a line is text") << QByteArray("a#1\t#x\ty#\n") << QStringList{"1|a#1|#x|y#"};
    QTest::newRow("escapes") << QByteArray("n\\t1\tTab\\tLF\\nCR\\rBS\\\\\tx\n")
                             << QStringList{QStringLiteral("1|n\t1|Tab\tLF\nCR\rBS\\|x")};
    QTest::newRow("escaped backslash before t")
        << QByteArray("a\t\\\\t\t\\\\\\n\n") << QStringList{QStringLiteral("1|a|\\t|\\\n")};
    QTest::newRow("empty sentences") << QByteArray("a\t\t\n") << QStringList{"1|a||"};
    QTest::newRow("CR inside a line stays")
        << QByteArray("a\tx\ry\tz\n") << QStringList{QStringLiteral("1|a|x\ry|z")};
    QTest::newRow("spaces are kept") << QByteArray(" a \t x \t y \n") << QStringList{"1| a | x | y "};
    QTest::newRow("case differs only outside ASCII")
        << QByteArray("\xC3\x84\x31\tx\ty\n\xC3\xA4\x31\tx\ty\n") << QStringList{"1|Ä1|x|y", "2|ä1|x|y"};
    QTest::newRow("characters beyond the BMP")
        << QByteArray("e\t\xF0\x9F\x98\x80\t\xF0\xA0\x80\x80\n") << QStringList{QStringLiteral("1|e|😀|𠀀")};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
}

void TestLessonTsv::parsesRows()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, rows);
    QCOMPARE(describeAll(LessonTsv::parse(text, QStringLiteral("lessons.tsv"))), rows);
}

void TestLessonTsv::rejectsBadLines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason");

    QTest::newRow("two fields") << QByteArray("a\tx\ty\nb\tx\n") << 2 << "has 2 TAB-separated fields";
    QTest::newRow("four fields") << QByteArray("a\tx\ty\tz\n") << 1 << "has 4 TAB-separated fields";
    QTest::newRow("one field") << QByteArray("# c\n\njust text\n") << 3 << "has 1 TAB-separated fields";
    QTest::newRow("unknown escape") << QByteArray("a\tx\\ay\tz\n") << 1 << "ENGLISH has the bad escape \\a";
    QTest::newRow("escaped quote") << QByteArray("a\tx\t\\\"\n") << 1 << "CHINESE has the bad escape \\\"";
    QTest::newRow("escape of a Chinese character")
        << QByteArray("a\\\xE4\xB8\x80\tx\ty\n") << 1 << "NUMBER has the bad escape \\一";
    QTest::newRow("lone backslash at the end")
        << QByteArray("a\tx\ty\\\n") << 1 << "CHINESE ends with a lone backslash";
    QTest::newRow("invalid UTF-8") << QByteArray("a\tx\ty\n\nb\t\xC3\x28\tz\n") << 3 << "is not valid UTF-8";
    QTest::newRow("Latin-1 instead of UTF-8") << QByteArray("a\tcaf\xE9\ty\n") << 1 << "is not valid UTF-8";
    QTest::newRow("duplicate NUMBER")
        << QByteArray("a1\tx\ty\nb\tx\ty\na1\tz\tw\n") << 3 << "NUMBER \"a1\" is already used on line 1";
    QTest::newRow("duplicate NUMBER in other case")
        << QByteArray("# c\nAb1\tx\ty\naB1\tz\tw\n") << 3 << "NUMBER \"aB1\" is already used on line 2";
    QTest::newRow("empty NUMBER") << QByteArray("a\tx\ty\n\tx\ty\n") << 2 << "NUMBER is empty";
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF\x61\tx\ty\n") << 1 << "byte order mark";
    QTest::newRow("NUL byte") << QByteArray("a\tx\0y\tz\n", 9) << 1 << "ENGLISH contains a NUL character";
}

void TestLessonTsv::rejectsBadLines()
{
    QFETCH(QByteArray, text);
    QFETCH(int, line);
    QFETCH(QString, reason);
    try {
        LessonTsv::parse(text, QStringLiteral("dir/Razorud365.tsv"));
        QFAIL("accepted");
    } catch (const AppError &error) {
        const QString prefix = QStringLiteral("dir/Razorud365.tsv:%1: ").arg(line);
        QVERIFY2(error.message().startsWith(prefix), qPrintable(error.message()));
        QVERIFY2(error.message().contains(reason), qPrintable(error.message()));
    }
}

void TestLessonTsv::formatParsesBack_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("chinese");

    QTest::newRow("plain") << "a1"
                           << "Hello." << QStringLiteral("你好。");
    QTest::newRow("control characters") << "t\t1"
                                        << "line\nbreak\r\nend"
                                        << "\ttab";
    QTest::newRow("backslashes") << "\\"
                                 << "\\t is not a tab"
                                 << "C:\\dir\\n";
    QTest::newRow("empty sentences") << "x"
                                     << ""
                                     << "";
    QTest::newRow("only a line feed") << "y"
                                      << "\n"
                                      << "\r";
    QTest::newRow("beyond the BMP") << QStringLiteral("😀") << QStringLiteral("\uFEFF𠀀")
                                    << QStringLiteral("一开");
}

void TestLessonTsv::formatParsesBack()
{
    QFETCH(QString, number);
    QFETCH(QString, english);
    QFETCH(QString, chinese);
    const QByteArray line = LessonTsv::formatRow(number, english, chinese);
    QVERIFY(line.endsWith('\n'));
    QCOMPARE(line.count('\n'), 1);
    QCOMPARE(line.count('\t'), 2);
    const QByteArray text = LessonTsv::formatRow(QStringLiteral("first"), QStringLiteral("x"), QString()) +
                            line +
                            LessonTsv::formatRow(QStringLiteral("last"), QString(), QStringLiteral("y"));
    const std::vector<LessonTsv::Row> rows = LessonTsv::parse(text, QStringLiteral("x.tsv"));
    QCOMPARE(rows.size(), size_t(3));
    QCOMPARE(rows[1].line, 2);
    QCOMPARE(rows[1].number, number);
    QCOMPARE(rows[1].english, english);
    QCOMPARE(rows[1].chinese, chinese);
    QCOMPARE(rows[2].number, QStringLiteral("last"));
}

void TestLessonTsv::readsFiles()
{
    const QString path = QFINDTESTDATA("tst_lessontsv.cpp");
    try {
        LessonTsv::readFile(QStringLiteral("/nonexistent/Razorud365.tsv"));
        QFAIL("read a file that does not exist");
    } catch (const AppError &error) {
        QVERIFY2(error.message().startsWith(QLatin1String("/nonexistent/Razorud365.tsv: cannot read")),
                 qPrintable(error.message()));
    }
    // This source file is no lesson table: the error names it and its first bad line.
    try {
        LessonTsv::readFile(path);
        QFAIL("accepted");
    } catch (const AppError &error) {
        QVERIFY2(error.message().startsWith(path + QLatin1String(":1: ")), qPrintable(error.message()));
    }
}

QTEST_GUILESS_MAIN(TestLessonTsv)
#include "tst_lessontsv.moc"
