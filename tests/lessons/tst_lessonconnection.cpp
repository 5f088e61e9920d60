// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a data set on a lesson file through a reader child process that
// misbehaves: every failure is an ordinary error naming the file, the program
// never hangs, and no reader process is left behind.
#include "base/errors.h"
#include "lessons/lessonconnection.h"
#include "lessons/lessonquery.h"
#include "lessons/lessonsource.h"
#include "lessons/tadodataset.h"
#include "support/childprocesses.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString kConnection =
    QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False");

QString openError(TADODataSet &dataSet)
{
    try {
        dataSet.Open();
    } catch (const AppError &error) {
        return error.message();
    }
    return QString();
}

// The fake reader, within a time limit.
std::shared_ptr<LessonSource> fakeReader(int timeLimitMs = 5000)
{
    return std::make_shared<ReaderLessonSource>(
        QCoreApplication::applicationDirPath() + QLatin1String("/lessons_fake_reader"), timeLimitMs);
}

// Lets a test change the reader between two opens of one data set.
struct SwitchableSource : LessonSource
{
    std::shared_ptr<LessonSource> to;
    std::shared_ptr<const LessonSnapshot> load(const QString &fileName) override
    {
        return to->load(fileName);
    }
};

} // namespace

class TestLessonConnection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("lessons.mdb"));
        QFile file(m_file);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("stands for a lesson file; the fake reader never looks inside");
        file.close();
        m_log = m_dir.filePath(QStringLiteral("reader.log"));
        qputenv("DARO_FAKE_READER_LOG", QFile::encodeName(m_log));
    }

    void init()
    {
        QFile::remove(m_log);
        qputenv("DARO_FAKE_READER", "good");
        m_source->to = fakeReader();
    }

    void cleanup() { QCOMPARE(ownChildren(), QList<qint64>{}); }

    void readerRunsOnTheFileForBothTables()
    {
        TADODataSet dataSet(QStringLiteral("ADODataSet1"), kConnection.arg(m_file),
                            QStringLiteral("select * from Razorud365"), m_source);
        dataSet.Open();
        QVERIFY(dataSet.Active());
        QCOMPARE(dataSet.RecordCount(), 3);
        const QStringList lines = logLines();
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.at(0).endsWith(QLatin1Char(' ') + m_file + QLatin1String("|Razorud365|Durizez900")),
                 qPrintable(lines.at(0)));
    }

    // An open blocks without running the event loop: no timer tick lands inside it.
    void openDispatchesNoEvents()
    {
        qputenv("DARO_FAKE_READER", "slow");
        TADODataSet dataSet(QStringLiteral("ADODataSet1"), kConnection.arg(m_file),
                            QStringLiteral("select * from Razorud365"), m_source);
        bool ticked = false;
        QTimer::singleShot(0, this, [&ticked] { ticked = true; });
        dataSet.Open();
        QVERIFY(dataSet.Active());
        QVERIFY(!ticked);
        QTRY_VERIFY(ticked);
    }

    void readerFailures_data()
    {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<int>("timeLimitMs");
        QTest::newRow("crash") << QByteArray("crash") << 5000;
        QTest::newRow("abort") << QByteArray("abort") << 5000;
        QTest::newRow("non-zero exit after good rows") << QByteArray("exit-3") << 5000;
        QTest::newRow("garbage") << QByteArray("garbage") << 5000;
        QTest::newRow("no output") << QByteArray("nothing") << 5000;
        QTest::newRow("stream cut short") << QByteArray("truncated") << 5000;
        QTest::newRow("reader's own error") << QByteArray("reader-error") << 5000;
        QTest::newRow("hangs") << QByteArray("hang") << 400;
        QTest::newRow("hangs after its rows") << QByteArray("stall-after-output") << 400;
        QTest::newRow("endless output") << QByteArray("flood") << 400;
    }

    void readerFailures()
    {
        QFETCH(QByteArray, mode);
        QFETCH(int, timeLimitMs);
        qputenv("DARO_FAKE_READER", mode);
        m_source->to = fakeReader(timeLimitMs);
        TADODataSet dataSet(QStringLiteral("ADODataSet2"), kConnection.arg(m_file),
                            QStringLiteral("select * from Razorud365"), m_source);
        int changes = 0;
        connect(&dataSet, &TADODataSet::dataChanged, this, [&changes] { ++changes; });

        const QString error = openError(dataSet);
        QVERIFY2(error.contains(m_file), qPrintable(error));
        QVERIFY2(error.contains(QLatin1String("damaged")), qPrintable(error));
        QVERIFY(!dataSet.Active());
        QCOMPARE(dataSet.fieldText(QStringLiteral("ENGLISH")), QString());
        QCOMPARE(changes, 1);
        QCOMPARE(ownChildren(), QList<qint64>{});

        // The failure is not kept: the next open reads the file again.
        qputenv("DARO_FAKE_READER", "good");
        m_source->to = fakeReader();
        dataSet.Open();
        QVERIFY(dataSet.Active());
        QCOMPARE(dataSet.fieldText(QStringLiteral("ENGLISH")), QStringLiteral("Razorud365 English 1"));
        QCOMPARE(logLines().size(), 2);
    }

    void timeOutEndsWhatTheReaderStarted()
    {
        qputenv("DARO_FAKE_READER", "hang-with-child");
        m_source->to = fakeReader(1000);
        TADODataSet dataSet(QStringLiteral("ADODataSet3"), kConnection.arg(m_file),
                            QStringLiteral("select * from Durizez900"), m_source);
        QVERIFY(openError(dataSet).contains(m_file));
        qint64 grandchild = 0;
        for (const QString &line : logLines())
            if (line.startsWith(QLatin1String("child ")))
                grandchild = line.mid(6).toLongLong();
        QVERIFY(grandchild > 0);
        // SIGKILL to the group is delivered at once, but the kernel may take a moment to tear it down.
        QTRY_VERIFY_WITH_TIMEOUT(processGone(grandchild), 10000);
    }

    void readerThatCannotStart()
    {
        m_source->to = std::make_shared<ReaderLessonSource>(m_dir.filePath(QStringLiteral("no-such-reader")));
        TADODataSet dataSet(QStringLiteral("ADODataSet1"), kConnection.arg(m_file),
                            QStringLiteral("select * from Razorud365"), m_source);
        const QString error = openError(dataSet);
        QVERIFY2(error.contains(m_file), qPrintable(error));
        QVERIFY2(error.contains(QLatin1String("no-such-reader")), qPrintable(error));
        QVERIFY(!dataSet.Active());
    }

    void missingThings_data()
    {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<QString>("dataSource");
        QTest::addColumn<QString>("commandText");
        QTest::addColumn<QString>("requiredField");
        QTest::addColumn<QStringList>("mentions");
        const QString absent = QDir::tempPath() + QLatin1String("/daro-no-such-dir/absent.mdb");
        QTest::newRow("file") << QByteArray("good") << absent << "select * from Razorud365"
                              << "" << QStringList{absent, "not found"};
        QTest::newRow("file under E:\\daro")
            << QByteArray("good") << "E:\\daro\\NoSuchLessons.mdb"
            << "select * from Razorud365"
            << ""
            << QStringList{QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                           QLatin1String("/../share/daro/NoSuchLessons.mdb")),
                           "not found"};
        QTest::newRow("file on a drive this system lacks")
            << QByteArray("good") << "C:\\lessons\\x.mdb"
            << "select * from Razorud365"
            << "" << QStringList{"C:\\lessons\\x.mdb", "not found"};
        QTest::newRow("table") << QByteArray("missing-second") << "" << LessonQuery("Durizez900", "a") << ""
                               << QStringList{"'Durizez900'", "table"};
        QTest::newRow("table that cannot be read")
            << QByteArray("unreadable-second") << "" << LessonQuery("durizez900", "a") << ""
            << QStringList{"damaged", "'Durizez900'", "cannot be read (its pages are scrambled)."};
        QTest::newRow("column in the query")
            << QByteArray("no-number") << "" << LessonQuery("Razorud365", "a") << ""
            << QStringList{"'Razorud365'", "'number'", "column"};
        QTest::newRow("column a bound box shows")
            << QByteArray("no-english") << ""
            << "select * from Durizez900"
            << "ENGLISH" << QStringList{"ADODataSet1: Field 'ENGLISH' not found"};
        QTest::newRow("bound column, other case")
            << QByteArray("no-english") << ""
            << "select * from Razorud365"
            << "english" << QStringList{"ADODataSet1: Field 'english' not found"};
    }

    void missingThings()
    {
        QFETCH(QByteArray, mode);
        QFETCH(QString, dataSource);
        QFETCH(QString, commandText);
        QFETCH(QString, requiredField);
        QFETCH(QStringList, mentions);
        qputenv("DARO_FAKE_READER", mode);
        TADODataSet dataSet(QStringLiteral("ADODataSet1"),
                            kConnection.arg(dataSource.isEmpty() ? m_file : dataSource), commandText,
                            m_source);
        dataSet.addRequiredField(QStringLiteral("NUMBER"));
        if (!requiredField.isEmpty())
            dataSet.addRequiredField(requiredField);
        const QString error = openError(dataSet);
        for (const QString &mention : mentions)
            QVERIFY2(error.contains(mention), qPrintable(error));
        QVERIFY(!dataSet.Active());
        QCOMPARE(dataSet.RecNo(), 0);
        // Every later open reports it again.
        QCOMPARE(openError(dataSet), error);
    }

    void otherTableLeftReadable_data()
    {
        QTest::addColumn<QByteArray>("mode");
        QTest::newRow("missing") << QByteArray("missing-second");
        QTest::newRow("cannot be read") << QByteArray("unreadable-second");
    }

    void otherTableLeftReadable()
    {
        QFETCH(QByteArray, mode);
        qputenv("DARO_FAKE_READER", mode);
        TADODataSet first(QStringLiteral("ADODataSet1"), kConnection.arg(m_file),
                          QStringLiteral("select * from Razorud365"), m_source);
        first.Open();
        QCOMPARE(first.RecordCount(), 3);
    }

    void oneReadServesConnectionsOfTheSameFile()
    {
        TADODataSet one(QStringLiteral("ADODataSet1"), kConnection.arg(m_file),
                        QStringLiteral("select * from Razorud365"), m_source);
        TADODataSet two(QStringLiteral("ADODataSet2"), kConnection.arg(m_file),
                        QStringLiteral("select * from Razorud365"), m_source);
        one.Open();
        two.Open();
        QCOMPARE(logLines().size(), 1);
        // Shared rows, separate cursors.
        one.Next();
        QCOMPARE(one.RecNo(), 2);
        QCOMPARE(two.RecNo(), 1);
        QCOMPARE(two.fieldText(QStringLiteral("NUMBER")), QStringLiteral("a1"));

        // A connection keeps its rows for good; a reopen runs the query, not the reader.
        qputenv("DARO_FAKE_READER", "crash");
        two.Close();
        two.Open();
        QCOMPARE(two.RecordCount(), 3);
        QCOMPARE(logLines().size(), 1);
    }

    void changedFileIsReadAgain()
    {
        TADODataSet one(QStringLiteral("ADODataSet1"), kConnection.arg(m_file),
                        QStringLiteral("select * from Razorud365"), m_source);
        one.Open();
        QFile file(m_file);
        QVERIFY(file.open(QIODevice::Append));
        file.write("!");
        file.close();
        TADODataSet two(QStringLiteral("ADODataSet2"), kConnection.arg(m_file),
                        QStringLiteral("select * from Razorud365"), m_source);
        two.Open();
        QCOMPARE(logLines().size(), 2);
    }

private:
    QStringList logLines() const
    {
        QFile file(m_log);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return lines;
    }

    std::shared_ptr<SwitchableSource> m_source = std::make_shared<SwitchableSource>();
    QTemporaryDir m_dir;
    QString m_file;
    QString m_log;
};

QTEST_GUILESS_MAIN(TestLessonConnection)
#include "tst_lessonconnection.moc"
