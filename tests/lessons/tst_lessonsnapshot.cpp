// SPDX-License-Identifier: GPL-3.0-or-later
// The in-memory copy of a lesson file: lesson queries select and order rows as
// the lesson files expect, and a snapshot answers queries but never changes.
#include "base/errors.h"
#include "lessons/lessonquery.h"
#include "lessons/lessonsnapshot.h"

#include <QTest>

namespace {

const QStringList kColumns{QStringLiteral("NUMBER"), QStringLiteral("ENGLISH"), QStringLiteral("CHINESE")};

// File order is deliberately neither binary nor case-blind sorted.
const QStringList kNumbers{
    QStringLiteral("b01"),  QStringLiteral("a02"),  QStringLiteral("A20"), QStringLiteral("ab01"),
    QStringLiteral("a03"),  QStringLiteral("aa01"), QStringLiteral("a10"), QStringLiteral("I02"),
    QStringLiteral("ac01"), QStringLiteral("a9"),   QStringLiteral("i01"), QStringLiteral("ba01"),
    QStringLiteral("c01"),
};

QStringList rowFor(const QString &number)
{
    return {number, QLatin1String("Sentence ") + number + QLatin1Char('.'),
            QString::fromUtf8("句子 ") + number + QString::fromUtf8("。")};
}

std::vector<QStringList> rowsFor(const QStringList &numbers)
{
    std::vector<QStringList> rows;
    for (const QString &number : numbers)
        rows.push_back(rowFor(number));
    return rows;
}

QStringList numbersOf(const LessonResult &result)
{
    const qsizetype column = result.columns.indexOf(QLatin1String("NUMBER"));
    QStringList numbers;
    for (const QStringList &row : result.rows)
        numbers << row.at(column);
    return numbers;
}

// Runs a query expected to fail and gives its error text.
QString failureOf(const LessonSnapshot &snapshot, const QString &sql)
{
    try {
        snapshot.query(sql);
    } catch (const AppError &error) {
        return error.message();
    }
    return QString();
}

} // namespace

class TestLessonSnapshot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_snapshot = std::make_unique<LessonSnapshot>(QStringLiteral("/lessons/test.mdb"));
        m_snapshot->addTable(QStringLiteral("Razorud365"), kColumns, rowsFor(kNumbers));
        // A second table with the same numbers in another order and an extra column.
        std::vector<QStringList> other;
        for (qsizetype i = kNumbers.size() - 1; i >= 0; --i)
            other.push_back(rowFor(kNumbers.at(i)) << QStringLiteral("extra"));
        m_snapshot->addTable(QStringLiteral("Durizez900"), kColumns + QStringList{QStringLiteral("NOTE")},
                             other);
        // Equal numbers that differ in case only, and a table without NUMBER.
        m_snapshot->addTable(QStringLiteral("Ties"), kColumns,
                             {{QStringLiteral("D01"), QStringLiteral("third"), QString()},
                              {QStringLiteral("d00"), QStringLiteral("before"), QString()},
                              {QStringLiteral("d01"), QStringLiteral("second"), QString()},
                              {QStringLiteral("D01"), QStringLiteral("first"), QString()}});
        m_snapshot->addTable(QStringLiteral("NoNumber"),
                             {QStringLiteral("ENGLISH"), QStringLiteral("CHINESE")},
                             {{QStringLiteral("x"), QStringLiteral("y")}});
        m_snapshot->seal();
    }

    void lessonSelection_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("numbers");

        // Sorted without regard to case: a03 before A20, a10 before a9 (text order).
        QTest::newRow("a takes aa ab ac and ba too")
            << "Razorud365"
            << "a" << QStringList{"a02", "a03", "a10", "A20", "a9", "aa01", "ab01", "ac01", "ba01"};
        QTest::newRow("aa only") << "Razorud365"
                                 << "aa" << QStringList{"aa01"};
        QTest::newRow("ab only") << "Razorud365"
                                 << "ab" << QStringList{"ab01"};
        QTest::newRow("ac only") << "Razorud365"
                                 << "ac" << QStringList{"ac01"};
        QTest::newRow("b anywhere in the number") << "Razorud365"
                                                  << "b" << QStringList{"ab01", "b01", "ba01"};
        QTest::newRow("capital I takes lower-case i") << "Razorud365"
                                                      << "I" << QStringList{"i01", "I02"};
        QTest::newRow("lower-case i takes capital I") << "Razorud365"
                                                      << "i" << QStringList{"i01", "I02"};
        QTest::newRow("digits") << "Razorud365"
                                << "01" << QStringList{"aa01", "ab01", "ac01", "b01", "ba01", "c01", "i01"};
        QTest::newRow("no match") << "Razorud365"
                                  << "z" << QStringList{};
        QTest::newRow("other table, other file order")
            << "Durizez900"
            << "a" << QStringList{"a02", "a03", "a10", "A20", "a9", "aa01", "ab01", "ac01", "ba01"};
        QTest::newRow("table name without case") << "razorud365"
                                                 << "c" << QStringList{"ac01", "c01"};
    }

    void lessonSelection()
    {
        QFETCH(QString, table);
        QFETCH(QString, key);
        QFETCH(QStringList, numbers);
        const LessonResult result = m_snapshot->query(LessonQuery(table, key));
        QCOMPARE(numbersOf(result), numbers);
        // Asked again straight away (as data sets opening together do), the same rows.
        QCOMPARE(numbersOf(m_snapshot->query(LessonQuery(table, key))), numbers);
        // Every row comes whole: its sentence and translation belong to its number.
        for (const QStringList &row : result.rows)
            QCOMPARE(row.mid(0, 3), rowFor(row.at(0)));
    }

    void wholeTableInFileOrder_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("numbers");
        QStringList reversed;
        for (qsizetype i = kNumbers.size() - 1; i >= 0; --i)
            reversed << kNumbers.at(i);
        QTest::newRow("Razorud365") << "Razorud365" << kNumbers;
        QTest::newRow("Durizez900") << "Durizez900" << reversed;
    }

    void wholeTableInFileOrder()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, numbers);
        QCOMPARE(numbersOf(m_snapshot->query(QLatin1String("select * from ") + table)), numbers);
    }

    void equalNumbersAllComeTogether()
    {
        const LessonResult result =
            m_snapshot->query(LessonQuery(QStringLiteral("Ties"), QStringLiteral("d")));
        QStringList english;
        for (const QStringList &row : result.rows)
            english << row.at(1);
        QCOMPARE(english.size(), 4);
        QCOMPARE(english.first(), QStringLiteral("before"));
        english.removeFirst();
        english.sort();
        QCOMPARE(english, (QStringList{"first", "second", "third"}));
    }

    void allColumnsInTableOrder()
    {
        QCOMPARE(m_snapshot->query(LessonQuery(QStringLiteral("Razorud365"), QStringLiteral("c"))).columns,
                 kColumns);
        const LessonResult withNote =
            m_snapshot->query(LessonQuery(QStringLiteral("Durizez900"), QStringLiteral("c")));
        QCOMPARE(withNote.columns, kColumns + QStringList{QStringLiteral("NOTE")});
        QCOMPARE(withNote.rows.at(0).at(3), QStringLiteral("extra"));
    }

    void textSurvivesUnchanged()
    {
        const QString awkward = QString::fromUtf8("Tab\there, line\r\nbreak, 'quote' \"double\" \\ 中文 — 😀");
        LessonSnapshot snapshot(QStringLiteral("/x.mdb"));
        snapshot.addTable(QStringLiteral("T"), kColumns,
                          {{QStringLiteral("a1"), awkward, QString::fromUtf8("简体中文，全角标点。")},
                           {QStringLiteral("a2"), QString(), QString()}});
        snapshot.seal();
        const LessonResult result = snapshot.query(LessonQuery(QStringLiteral("T"), QStringLiteral("a")));
        QCOMPARE(result.rows.size(), size_t(2));
        QCOMPARE(result.rows.at(0).at(1), awkward);
        QCOMPARE(result.rows.at(0).at(2), QString::fromUtf8("简体中文，全角标点。"));
        QVERIFY(result.rows.at(1).at(1).isEmpty());
    }

    void refusedQueries_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("mentions");
        QTest::newRow("missing table") << LessonQuery(QStringLiteral("Nowhere"), QStringLiteral("a"))
                                       << QStringList{"/lessons/test.mdb", "'Nowhere'", "table"};
        QTest::newRow("missing column")
            << LessonQuery(QStringLiteral("NoNumber"), QStringLiteral("a"))
            << QStringList{"/lessons/test.mdb", "'NoNumber'", "'number'", "column"};
        QTest::newRow("syntax") << QStringLiteral("select * frm Razorud365")
                                << QStringList{"/lessons/test.mdb"};
        QTest::newRow("double quotes name columns only")
            << QStringLiteral("select * from Razorud365 where \"nothing\" = 'x'") << QStringList{"'nothing'"};
        QTest::newRow("delete") << QStringLiteral("delete from Razorud365")
                                << QStringList{"/lessons/test.mdb"};
        QTest::newRow("drop") << QStringLiteral("drop table Razorud365") << QStringList{"/lessons/test.mdb"};
        QTest::newRow("second statement")
            << QStringLiteral("select * from Razorud365; delete from Razorud365") << QStringList{};
        QTest::newRow("empty") << QStringLiteral("  ") << QStringList{};
    }

    void refusedQueries()
    {
        QFETCH(QString, sql);
        QFETCH(QStringList, mentions);
        const QString error = failureOf(*m_snapshot, sql);
        QVERIFY2(!error.isEmpty(), qPrintable(sql));
        QCOMPARE(failureOf(*m_snapshot, sql), error);
        for (const QString &mention : mentions)
            QVERIFY2(error.contains(mention, Qt::CaseInsensitive), qPrintable(error));
        // Nothing a refused query tried has changed the snapshot.
        QCOMPARE(numbersOf(m_snapshot->query(QStringLiteral("select * from Razorud365"))), kNumbers);
    }

    void trailingSemicolonIsFine()
    {
        QCOMPARE(m_snapshot->query(QStringLiteral("select * from Razorud365;\n")).rows.size(),
                 size_t(kNumbers.size()));
    }

    void malformedTables_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("columns");
        QTest::addColumn<int>("cells");
        QTest::newRow("short row") << "T" << kColumns << 2;
        QTest::newRow("long row") << "T" << kColumns << 4;
        QTest::newRow("no columns") << "T" << QStringList{} << 0;
        QTest::newRow("same column twice, case aside") << "T" << QStringList{"NUMBER", "number"} << 2;
        QTest::newRow("empty column name") << "T" << QStringList{"NUMBER", ""} << 2;
        QTest::newRow("empty table name") << "" << kColumns << 3;
        QTest::newRow("table already there") << "FIRST" << kColumns << 3;
        QTest::newRow("NUL in the table name") << QString::fromUtf16(u"T\u0000x", 3) << kColumns << 3;
        QTest::newRow("NUL in a column name")
            << "T" << QStringList{"NUMBER", QString::fromUtf16(u"ENGLISH\u0000", 8), "CHINESE"} << 3;
    }

    void malformedTables()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, columns);
        QFETCH(int, cells);
        LessonSnapshot snapshot(QStringLiteral("/broken.mdb"));
        snapshot.addTable(QStringLiteral("First"), kColumns, {});
        QStringList row;
        for (int i = 0; i < cells; ++i)
            row << QString::number(i);
        QVERIFY_THROWS_EXCEPTION(AppError, snapshot.addTable(name, columns, {rowFor("x1"), row}));
        // The broken table left nothing behind.
        QCOMPARE(snapshot.tableNames(), QStringList{"First"});
    }

    void nothingChangesOnceSealed()
    {
        LessonSnapshot snapshot(QStringLiteral("/x.mdb"));
        snapshot.addTable(QStringLiteral("T"), kColumns, {rowFor(QStringLiteral("a1"))});
        snapshot.seal();
        QVERIFY_THROWS_EXCEPTION(AppError, snapshot.addTable(QStringLiteral("U"), kColumns, {}));
        QVERIFY_THROWS_EXCEPTION(AppError,
                                 snapshot.query(QStringLiteral("insert into T values ('a2','','')")));
        QCOMPARE(snapshot.query(QStringLiteral("select * from T")).rows.size(), size_t(1));
    }

private:
    std::unique_ptr<LessonSnapshot> m_snapshot;
};

QTEST_GUILESS_MAIN(TestLessonSnapshot)
#include "tst_lessonsnapshot.moc"
