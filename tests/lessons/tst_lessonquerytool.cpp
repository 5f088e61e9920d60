// SPDX-License-Identifier: GPL-3.0-or-later
// daro-lessons query: the rows of a lesson, read in-process by the tool, must
// be the rows the program's data set shows for the same lesson, in the same
// order, and failures must say what is missing.
#include "lessons/lessonquery.h"
#include "lessons/lessonsource.h"
#include "lessons/tadodataset.h"
#include "support/lessonfixture.h"
#include "support/toolrun.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

ToolRun query(const QStringList &args)
{
    return runTool(QCoreApplication::applicationDirPath() + QLatin1String("/daro-lessons"),
                   QStringList{QStringLiteral("query")} + args);
}

} // namespace

class TestLessonQueryTool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("lessons.mdb"));
        const QString built = buildFixtureFile(m_file);
        QVERIFY2(built.isEmpty(), qPrintable(built));
    }

    void sameRowsAsTheDataSet_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("key");
        const QStringList keys = QStringLiteral("a b c d I i aa ab ac 0 01 zz").split(QLatin1Char(' '));
        for (const char *table : {"Razorud365", "Durizez900"}) {
            for (const QString &key : keys)
                QTest::addRow("%s %s", table, qPrintable(key)) << QString::fromLatin1(table) << key;
        }
    }

    void sameRowsAsTheDataSet()
    {
        QFETCH(QString, table);
        QFETCH(QString, key);
        const ToolRun run = query({m_file, table, key});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
        const Rows printed = tsvRows(run.out);
        QCOMPARE(printed, expectedLesson(table, key));

        TADODataSet dataSet(QStringLiteral("ADODataSet1"),
                            QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1").arg(m_file),
                            QStringLiteral("select * from Razorud365"),
                            std::make_shared<ReaderLessonSource>());
        OpenLesson(dataSet, table, key);
        Rows shown;
        for (; !dataSet.IsEmpty() && !dataSet.Eof(); dataSet.Next())
            shown << QStringList{dataSet.fieldText(QStringLiteral("NUMBER")),
                                 dataSet.fieldText(QStringLiteral("ENGLISH")),
                                 dataSet.fieldText(QStringLiteral("CHINESE"))};
        QCOMPARE(printed, shown);
    }

    void escapesAsInTheSources()
    {
        // The second table's fixture holds a tab, line breaks and a backslash.
        const ToolRun run = query({m_file, QStringLiteral("Durizez900"), QStringLiteral("0")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains("\tTwo lines:\\nfirst\\r\\nsecond.\t"), run.out.constData());
        QVERIFY(run.out.contains("\tA tab\\there.\t"));
        QCOMPARE(run.out.count('\n'),
                 expectedLesson(QStringLiteral("Durizez900"), QStringLiteral("0")).size());
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("mentions");
        const QString absent = QDir::tempPath() + QLatin1String("/daro-no-such-dir/x.mdb");
        QTest::newRow("missing file")
            << QStringList{absent, "Razorud365", "a"} << 1 << QStringList{absent, "not found"};
        QTest::newRow("missing table")
            << QStringList{"@FILE@", "Nowhere", "a"} << 1 << QStringList{"'Nowhere'"};
        QTest::newRow("too few words") << QStringList{"@FILE@", "Razorud365"} << 2 << QStringList{"usage"};
        QTest::newRow("too many words")
            << QStringList{"@FILE@", "Razorud365", "a", "b"} << 2 << QStringList{"usage"};
        QTest::newRow("not a lesson file")
            << QStringList{"@TEXT@", "Razorud365", "a"} << 1 << QStringList{"@TEXT@"};
    }

    void failures()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QStringList, mentions);
        const QString text = m_dir.filePath(QStringLiteral("text.mdb"));
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("a01\tHello.\t你好。\n");
        file.close();
        args.replaceInStrings(QStringLiteral("@FILE@"), m_file);
        args.replaceInStrings(QStringLiteral("@TEXT@"), text);
        mentions.replaceInStrings(QStringLiteral("@TEXT@"), text);
        const ToolRun run = query(args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(run.out.isEmpty());
        for (const QString &mention : mentions)
            QVERIFY2(QString::fromLocal8Bit(run.err).contains(mention), run.err.constData());
    }

private:
    QTemporaryDir m_dir;
    QString m_file;
};

QTEST_GUILESS_MAIN(TestLessonQueryTool)
#include "tst_lessonquerytool.moc"
