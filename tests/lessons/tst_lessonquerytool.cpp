// SPDX-License-Identifier: GPL-3.0-or-later
// daro-lessons query: the rows of a lesson, read in-process by the tool, must
// be the rows the program's data set shows for the same lesson, in the same
// order, and failures must say what is missing.
#include "lessonfixture.h"
#include "lessons/lessonquery.h"
#include "lessons/lessonsource.h"
#include "lessons/tadodataset.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Run query(const QStringList &args)
{
    QProcess tool;
    tool.start(QCoreApplication::applicationDirPath() + QLatin1String("/daro-lessons"),
               QStringList{QStringLiteral("query")} + args);
    Run run;
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = tool.exitCode();
    run.out = tool.readAllStandardOutput();
    run.err = QString::fromLocal8Bit(tool.readAllStandardError());
    return run;
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
        const Run run = query({m_file, table, key});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QString());
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
        const Run run = query({m_file, QStringLiteral("Durizez900"), QStringLiteral("0")});
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
        const Run run = query(args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(run.out.isEmpty());
        for (const QString &mention : mentions)
            QVERIFY2(run.err.contains(mention), qPrintable(run.err));
    }

private:
    QTemporaryDir m_dir;
    QString m_file;
};

QTEST_GUILESS_MAIN(TestLessonQueryTool)
#include "tst_lessonquerytool.moc"
