// SPDX-License-Identifier: GPL-3.0-or-later
// Lesson data sets on a real lesson file built from the fixtures: which rows a
// lesson holds and in what order, how the cursor moves, what the bound boxes
// show, and that the file itself is never touched.
#include "base/errors.h"
#include "controls/tdatasource.h"
#include "controls/tdbedit.h"
#include "controls/tdbmemo.h"
#include "lessons/lessonconnection.h"
#include "lessons/lessonquery.h"
#include "lessons/lessonsource.h"
#include "lessons/tadodataset.h"
#include "support/childprocesses.h"
#include "support/lessonfixture.h"
#include "support/memorylessonsource.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

const QString kReadWrite = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;User ID=admin;Data Source=%1;"
                                          "Mode=ReadWrite;Persist Security Info=False");
const QString kPlain =
    QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False");

QStringList numbersOf(const Rows &rows)
{
    QStringList numbers;
    for (const QStringList &row : rows)
        numbers << row.at(0);
    return numbers;
}

QByteArray digestOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// What a Next on a closed data set raised: "abort" for the silent abort, the text otherwise.
QString nextOutcome(TADODataSet &dataSet)
{
    try {
        dataSet.Next();
    } catch (const Abort &) {
        return QStringLiteral("abort");
    } catch (const AppError &error) {
        return error.message();
    }
    return QStringLiteral("moved");
}

} // namespace

class TestTADODataSet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        QVERIFY(!fixtureRows(QStringLiteral("Razorud365")).isEmpty());
        m_file = m_dir.filePath(QStringLiteral("lessons.mdb"));
        const QString built = buildFixtureFile(m_file);
        QVERIFY2(built.isEmpty(), qPrintable(built));
        QVERIFY(QFileInfo(m_file).size() > 0);
        m_digest = digestOf(m_file);
        m_modified = QFileInfo(m_file).lastModified();
        // The cursor's own behaviour is checked on the same rows served from
        // memory; the reader's part is checked above on the built file.
        std::vector<TableRows> tables;
        for (const QString &table : {QStringLiteral("Razorud365"), QStringLiteral("Durizez900")}) {
            const Rows rows = fixtureRows(table);
            tables.push_back(lessonTable(table, {rows.cbegin(), rows.cend()}));
        }
        m_memory->addFile(m_file, std::move(tables));
    }

    void cleanupTestCase()
    {
        // Nothing the data sets did has written to the lesson file.
        QCOMPARE(digestOf(m_file), m_digest);
        QCOMPARE(QFileInfo(m_file).lastModified(), m_modified);
    }

    void lessonRowsAndOrder_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("numbers");
        QTest::newRow("a takes aa ab ac, case aside, text order")
            << "Razorud365"
            << "a" << QStringList{"a02", "a03", "a10", "A20", "a9", "aa01", "ab01", "ac01"};
        QTest::newRow("aa") << "Razorud365"
                            << "aa" << QStringList{"aa01"};
        QTest::newRow("ab") << "Razorud365"
                            << "ab" << QStringList{"ab01"};
        QTest::newRow("ac") << "Razorud365"
                            << "ac" << QStringList{"ac01"};
        QTest::newRow("b inside ab") << "Razorud365"
                                     << "b" << QStringList{"ab01", "b01"};
        QTest::newRow("capital I takes both cases") << "Razorud365"
                                                    << "I" << QStringList{"i01", "I02"};
        QTest::newRow("nothing") << "Razorud365"
                                 << "z" << QStringList{};
        QTest::newRow("other table") << "Durizez900"
                                     << "a" << QStringList{"0a01", "0a02", "ab01", "ac01"};
        QTest::newRow("other table, b") << "Durizez900"
                                        << "b" << QStringList{"0b01", "ab01"};
    }

    void lessonRowsAndOrder()
    {
        QFETCH(QString, table);
        QFETCH(QString, key);
        QFETCH(QStringList, numbers);
        TADODataSet dataSet(QStringLiteral("ADODataSet1"), kReadWrite.arg(m_file),
                            QStringLiteral("select * from Razorud365"), m_source);
        OpenLesson(dataSet, table, key);
        const Rows rows = walk(dataSet);
        QCOMPARE(numbersOf(rows), numbers);
        // Whole rows, text exactly as in the source (escapes undone, Chinese intact).
        QCOMPARE(rows, expectedLesson(table, key));
    }

    void everyCatalogueKey_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("key");
        const QStringList first =
            QStringLiteral("a b c d e f g h I j k l m n o p q r").split(QLatin1Char(' '));
        for (const QString &key : first)
            QTest::addRow("Razorud365 %s", qPrintable(key)) << "Razorud365" << key;
        const QStringList second =
            QStringLiteral("a b c d e f g h I j k l m n o p q r s t u v w x y z aa ab ac")
                .split(QLatin1Char(' '));
        for (const QString &key : second)
            QTest::addRow("Durizez900 %s", qPrintable(key)) << "Durizez900" << key;
    }

    void everyCatalogueKey()
    {
        QFETCH(QString, table);
        QFETCH(QString, key);
        TADODataSet dataSet(QStringLiteral("ADODataSet3"), kPlain.arg(m_file),
                            QStringLiteral("select * from Durizez900"), m_source);
        OpenLesson(dataSet, table, key);
        QCOMPARE(walk(dataSet), expectedLesson(table, key));
    }

    void wholeTablesComeInFileOrder_data()
    {
        QTest::addColumn<QString>("table");
        QTest::newRow("Razorud365") << "Razorud365";
        QTest::newRow("Durizez900") << "Durizez900";
    }

    void wholeTablesComeInFileOrder()
    {
        QFETCH(QString, table);
        TADODataSet dataSet(QStringLiteral("ADODataSet2"), kPlain.arg(m_file),
                            QLatin1String("select * from ") + table, m_source);
        dataSet.Open();
        QCOMPARE(walk(dataSet), fixtureRows(table));
    }

    void nextStopsAtTheLastRow()
    {
        TADODataSet dataSet(QStringLiteral("ADODataSet1"), kReadWrite.arg(m_file),
                            QStringLiteral("select * from Razorud365"), m_memory);
        int changes = 0;
        connect(&dataSet, &TADODataSet::dataChanged, this, [&changes] { ++changes; });
        OpenLesson(dataSet, QStringLiteral("Razorud365"), QStringLiteral("c"));
        const Rows expected = expectedLesson(QStringLiteral("Razorud365"), QStringLiteral("c"));
        QCOMPARE(expected.size(), 2);
        QCOMPARE(dataSet.RecNo(), 1);
        QVERIFY(!dataSet.Eof());
        dataSet.Next();
        QCOMPARE(dataSet.RecNo(), 2);
        QVERIFY(!dataSet.Eof());
        const int changesAtLastRow = changes;
        for (int i = 0; i < 3; ++i) {
            dataSet.Next();
            QVERIFY(dataSet.Eof());
            QCOMPARE(dataSet.RecNo(), 2);
            QCOMPARE(dataSet.fieldText(QStringLiteral("ENGLISH")), expected.at(1).at(1));
        }
        QCOMPARE(changes, changesAtLastRow);
    }

    void emptyLesson()
    {
        TADODataSet dataSet(QStringLiteral("ADODataSet1"), kReadWrite.arg(m_file),
                            QStringLiteral("select * from Razorud365"), m_memory);
        OpenLesson(dataSet, QStringLiteral("Razorud365"), QStringLiteral("zz"));
        QVERIFY(dataSet.Active());
        QVERIFY(dataSet.IsEmpty());
        QVERIFY(dataSet.Eof());
        QCOMPARE(dataSet.RecNo(), 0);
        QCOMPARE(dataSet.fieldText(QStringLiteral("ENGLISH")), QString());
        dataSet.Next();
        QVERIFY(dataSet.Active());
        QCOMPARE(dataSet.RecNo(), 0);
        QCOMPARE(dataSet.fieldText(QStringLiteral("NUMBER")), QString());
    }

    void reopeningStartsAgain_data()
    {
        QTest::addColumn<int>("steps");
        QTest::newRow("one step in") << 1;
        QTest::newRow("past the end") << 20;
    }

    void reopeningStartsAgain()
    {
        QFETCH(int, steps);
        TADODataSet dataSet(QStringLiteral("ADODataSet1"), kReadWrite.arg(m_file),
                            QStringLiteral("select * from Razorud365"), m_memory);
        const qsizetype loads = m_memory->loads.size();
        OpenLesson(dataSet, QStringLiteral("Razorud365"), QStringLiteral("a"));
        for (int i = 0; i < steps; ++i)
            dataSet.Next();
        QVERIFY(dataSet.RecNo() > 1);
        OpenLesson(dataSet, QStringLiteral("Razorud365"), QStringLiteral("a"));
        QCOMPARE(dataSet.RecNo(), 1);
        QVERIFY(!dataSet.Eof());
        QCOMPARE(walk(dataSet), expectedLesson(QStringLiteral("Razorud365"), QStringLiteral("a")));
        // The connection keeps what it read: a reopen runs the query only.
        QCOMPARE(m_memory->loads.size(), loads + 1);
    }

    void commandTextOfAnOpenDataSet()
    {
        TADODataSet dataSet(QStringLiteral("ADODataSet2"), kPlain.arg(m_file),
                            QStringLiteral("select * from Razorud365"), m_memory);
        dataSet.Open();
        dataSet.Next();
        // The same text is accepted and changes nothing.
        dataSet.setCommandText(QStringLiteral("select * from Razorud365"));
        QCOMPARE(dataSet.RecNo(), 2);
        QVERIFY_THROWS_EXCEPTION(AppError, dataSet.setCommandText(LessonQuery("Razorud365", "a")));
        QCOMPARE(dataSet.CommandText(), QStringLiteral("select * from Razorud365"));
        QCOMPARE(dataSet.RecNo(), 2);
        // Opening an open data set keeps its place.
        dataSet.Open();
        QCOMPARE(dataSet.RecNo(), 2);
    }

    void closedDataSetReportsOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("never opened") << "new";
        QTest::newRow("closed after an open") << "close";
        QTest::newRow("failed open") << "fail";
        QTest::newRow("closed twice") << "close twice";
    }

    void closedDataSetReportsOnce()
    {
        QFETCH(QString, how);
        TADODataSet dataSet(QStringLiteral("ADODataSet1"), kReadWrite.arg(m_file),
                            QStringLiteral("select * from Razorud365"), m_source);
        if (how == QLatin1String("close") || how == QLatin1String("close twice")) {
            dataSet.Open();
            dataSet.Close();
            if (how == QLatin1String("close twice")) {
                QVERIFY(nextOutcome(dataSet) != QLatin1String("abort"));
                dataSet.Close();
            }
        } else if (how == QLatin1String("fail")) {
            dataSet.setCommandText(LessonQuery("NoSuchTable", "a"));
            QVERIFY_THROWS_EXCEPTION(AppError, dataSet.Open());
        }
        QVERIFY(!dataSet.Active());
        QCOMPARE(dataSet.fieldText(QStringLiteral("ENGLISH")), QString());
        QCOMPARE(nextOutcome(dataSet),
                 QStringLiteral("ADODataSet1: Cannot perform this operation on a closed dataset"));
        QCOMPARE(nextOutcome(dataSet), QStringLiteral("abort"));
        QCOMPARE(nextOutcome(dataSet), QStringLiteral("abort"));
        QVERIFY(!dataSet.Active());

        // Another failed open reports once more; a good one moves again.
        QVERIFY_THROWS_EXCEPTION(AppError,
                                 OpenLesson(dataSet, QStringLiteral("NoSuchTable"), QStringLiteral("a")));
        QVERIFY(nextOutcome(dataSet).startsWith(QLatin1String("ADODataSet1: ")));
        QCOMPARE(nextOutcome(dataSet), QStringLiteral("abort"));
        OpenLesson(dataSet, QStringLiteral("Razorud365"), QStringLiteral("a"));
        QCOMPARE(nextOutcome(dataSet), QStringLiteral("moved"));
    }

    void boundBoxesFollowTheCurrentRow()
    {
        TADODataSet dataSet(QStringLiteral("ADODataSet3"), kPlain.arg(m_file),
                            QStringLiteral("select * from Durizez900"), m_source);
        TDataSource source;
        source.setDataSet(&dataSet);
        TDBMemo english;
        english.setDataSource(&source);
        english.setDataField(QStringLiteral("ENGLISH"));
        TDBMemo chinese;
        chinese.setDataSource(&source);
        chinese.setDataField(QStringLiteral("CHINESE"));
        TDBEdit number;
        number.setDataSource(&source);
        number.setDataField(QStringLiteral("NUMBER"));
        QVERIFY(english.Text().isEmpty());

        const Rows lesson = expectedLesson(QStringLiteral("Durizez900"), QStringLiteral("b"));
        OpenLesson(dataSet, QStringLiteral("Durizez900"), QStringLiteral("b"));
        for (const QStringList &row : lesson) {
            QCOMPARE(number.text(), row.at(0));
            QCOMPARE(english.Text(), row.at(1));
            QCOMPARE(chinese.Text(), row.at(2));
            dataSet.Next();
        }
        // Past the end the boxes keep the last row.
        QCOMPARE(english.Text(), lesson.last().at(1));

        dataSet.Close();
        QCOMPARE(english.Text(), QString());
        QCOMPARE(chinese.Text(), QString());
        QCOMPARE(number.text(), QString());

        OpenLesson(dataSet, QStringLiteral("Durizez900"), QStringLiteral("zz"));
        QCOMPARE(english.Text(), QString());
        QCOMPARE(number.text(), QString());
    }

    void threeDataSetsAsAtStartUp()
    {
        TADODataSet one(QStringLiteral("ADODataSet1"), kReadWrite.arg(m_file),
                        QStringLiteral("select * from Razorud365"), m_source);
        TADODataSet two(QStringLiteral("ADODataSet2"), kPlain.arg(m_file),
                        QStringLiteral("select * from Razorud365"), m_source);
        TADODataSet three(QStringLiteral("ADODataSet3"), kPlain.arg(m_file),
                          QStringLiteral("select * from Durizez900"), m_source);
        for (TADODataSet *dataSet : {&one, &two, &three}) {
            dataSet->addRequiredField(QStringLiteral("ENGLISH"));
            dataSet->addRequiredField(QStringLiteral("CHINESE"));
            dataSet->Open();
        }
        QCOMPARE(one.fieldText(QStringLiteral("NUMBER")),
                 fixtureRows(QStringLiteral("Razorud365")).at(0).at(0));
        QCOMPARE(two.fieldText(QStringLiteral("NUMBER")),
                 fixtureRows(QStringLiteral("Razorud365")).at(0).at(0));
        QCOMPARE(three.fieldText(QStringLiteral("NUMBER")),
                 fixtureRows(QStringLiteral("Durizez900")).at(0).at(0));
        // Each keeps its own lesson and place.
        OpenLesson(one, QStringLiteral("Razorud365"), QStringLiteral("a"));
        one.Next();
        QCOMPARE(two.RecNo(), 1);
        QCOMPARE(two.RecordCount(), int(fixtureRows(QStringLiteral("Razorud365")).size()));
        OpenLesson(two, QStringLiteral("Razorud365"), QStringLiteral("I"));
        QCOMPARE(one.RecNo(), 2);
        QCOMPARE(one.RecordCount(),
                 int(expectedLesson(QStringLiteral("Razorud365"), QStringLiteral("a")).size()));
    }

    // The lesson file is read ahead while the window is built; the data set's
    // open gets the file in the state it is in at the open, and its error then.
    void readAheadSeesTheFileAsItIsAtOpen_data()
    {
        QTest::addColumn<QString>("before");   // the file when the read begins: good, damaged or none
        QTest::addColumn<QString>("change");   // what is done to it before the open
        QTest::addColumn<bool>("readerGone");  // the reader removed once the read-ahead is done
        QTest::addColumn<QString>("expected"); // "rows", or words of the open's error
        QTest::newRow("unchanged: taken") << "good"
                                          << "" << true << "rows";
        QTest::newRow("unchanged damaged: its error taken") << "damaged"
                                                            << "" << true << "is damaged";
        QTest::newRow("touched: read again") << "good"
                                             << "touch" << true << "did not start";
        QTest::newRow("replaced by a damaged file") << "good"
                                                    << "replace damaged" << false << "is damaged";
        QTest::newRow("damaged replaced by a good file") << "damaged"
                                                         << "replace good" << false << "rows";
        QTest::newRow("damaged rewritten in place") << "damaged"
                                                    << "rewrite good" << false << "rows";
        QTest::newRow("missing, then put in place") << "none"
                                                    << "replace good" << false << "rows";
        QTest::newRow("removed") << "good"
                                 << "remove" << false << "was not found";
    }

    void readAheadSeesTheFileAsItIsAtOpen()
    {
        QFETCH(QString, before);
        QFETCH(QString, change);
        QFETCH(bool, readerGone);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString reader = dir.filePath(QStringLiteral("reader"));
        QVERIFY(QFile::copy(ReaderLessonSource::defaultReaderProgram(), reader));
        const QString target = dir.filePath(QStringLiteral("lessons.mdb"));
        const QString damaged = damagedCopy(QStringLiteral("truncate half"));
        // Another file takes the name, as a download or a copy would leave it.
        const auto put = [&](const QString &from) {
            const QString copy = dir.filePath(QStringLiteral("copy.mdb"));
            if (!QFile::copy(from, copy))
                return false;
            QFile::remove(target);
            return QFile::rename(copy, target);
        };
        if (before != QLatin1String("none"))
            QVERIFY(put(before == QLatin1String("good") ? m_file : damaged));

        const auto source = std::make_shared<ReaderLessonSource>(reader);
        source->readAhead(target);
        source->waitForReadAhead();
        if (readerGone)
            QVERIFY(QFile::remove(reader));
        const QStringList words = change.split(QLatin1Char(' '));
        if (words.at(0) == QLatin1String("touch")) {
            QFile file(target);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(file.fileTime(QFileDevice::FileModificationTime).addSecs(3600),
                                     QFileDevice::FileModificationTime));
        } else if (words.at(0) == QLatin1String("replace")) {
            QVERIFY(put(words.at(1) == QLatin1String("good") ? m_file : damaged));
        } else if (words.at(0) == QLatin1String("rewrite")) {
            QFile good(m_file);
            QFile file(target);
            QVERIFY(good.open(QIODevice::ReadOnly) && file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QVERIFY(file.write(good.readAll()) == good.size());
        } else if (words.at(0) == QLatin1String("remove")) {
            QVERIFY(QFile::remove(target));
        }

        TADODataSet dataSet(QStringLiteral("ADODataSet1"), kReadWrite.arg(target),
                            QStringLiteral("select * from Razorud365"), source);
        QString error;
        try {
            dataSet.Open();
        } catch (const AppError &e) {
            error = e.message();
        }
        if (expected == QLatin1String("rows")) {
            QVERIFY2(error.isEmpty(), qPrintable(error));
            QCOMPARE(dataSet.RecordCount(), int(fixtureRows(QStringLiteral("Razorud365")).size()));
        } else {
            QVERIFY2(error.contains(target) && error.contains(expected), qPrintable(error));
        }
        QCOMPARE(ownChildren(), QList<qint64>{});
    }

    // A lesson file missing when the read-ahead begins fails each of the three
    // data sets in turn, as at start-up without it.
    void missingFileReadAheadFailsEachDataSet()
    {
        const QString missing = m_dir.filePath(QStringLiteral("not-there.mdb"));
        const auto source = std::make_shared<ReaderLessonSource>();
        source->readAhead(missing);
        QStringList errors;
        for (const char *name : {"ADODataSet1", "ADODataSet2", "ADODataSet3"}) {
            TADODataSet dataSet(QString::fromLatin1(name), kPlain.arg(missing),
                                QStringLiteral("select * from Razorud365"), source);
            try {
                dataSet.Open();
            } catch (const AppError &e) {
                errors << e.message();
            }
        }
        const QString notFound = QStringLiteral("The lesson file '%1' was not found.").arg(missing);
        QCOMPARE(errors, QStringList(3, notFound));
    }

    void damagedFileIsAnError_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("empty") << "truncate 0";
        QTest::newRow("first page only") << "truncate 4096";
        QTest::newRow("cut in half") << "truncate half";
        QTest::newRow("first page scrambled") << "scramble 0";
        QTest::newRow("first byte flipped") << "flip 0";
        QTest::newRow("text, not a database") << "text";
    }

    void damagedFileIsAnError()
    {
        QFETCH(QString, damage);
        const QString copy = damagedCopy(damage);
        TADODataSet dataSet(QStringLiteral("ADODataSet1"), kReadWrite.arg(copy),
                            QStringLiteral("select * from Razorud365"), m_source);
        int changes = 0;
        connect(&dataSet, &TADODataSet::dataChanged, this, [&changes] { ++changes; });
        QString error;
        try {
            dataSet.Open();
        } catch (const AppError &e) {
            error = e.message();
        }
        QVERIFY2(error.contains(copy), qPrintable(error));
        QVERIFY(!dataSet.Active());
        QVERIFY(changes > 0);
        QCOMPARE(nextOutcome(dataSet),
                 QStringLiteral("ADODataSet1: Cannot perform this operation on a closed dataset"));
        QCOMPARE(ownChildren(), QList<qint64>{});
    }

    // Whatever page is hit, an open either works (the reader may not notice damage
    // inside a data page) or fails with an error; the program carries on either way.
    void anyPageScrambled()
    {
        const qint64 pages = QFileInfo(m_file).size() / 4096;
        QVERIFY(pages > 2);
        int failed = 0;
        for (qint64 page = 0; page < pages; ++page) {
            const QString copy = damagedCopy(QStringLiteral("scramble %1").arg(page));
            TADODataSet dataSet(QStringLiteral("ADODataSet3"), kPlain.arg(copy),
                                LessonQuery("Durizez900", "a"), m_source);
            try {
                dataSet.Open();
                walk(dataSet);
            } catch (const AppError &e) {
                ++failed;
                QVERIFY2(e.message().contains(copy), qPrintable(e.message()));
                QVERIFY(!dataSet.Active());
            }
            QCOMPARE(ownChildren(), QList<qint64>{});
        }
        QVERIFY(failed > 0);
    }

    void bundledLessonFile()
    {
        const QString bundled = QDir(QCoreApplication::applicationDirPath())
                                    .filePath(QStringLiteral("../share/daro/Daruradazi.mdb"));
        if (!QFileInfo::exists(bundled))
            QSKIP("the bundled lesson file is not built in this tree");
        TADODataSet dataSet(QStringLiteral("ADODataSet1"),
                            kReadWrite.arg(QStringLiteral("E:\\daro\\Daruradazi.mdb")),
                            QStringLiteral("select * from Razorud365"), m_source);
        dataSet.Open();
        QVERIFY(dataSet.RecordCount() > 0);
        QCOMPARE(dataSet.connection().fileName(), QDir::cleanPath(bundled));
    }

private:
    const std::shared_ptr<LessonSource> m_source = std::make_shared<ReaderLessonSource>();
    const std::shared_ptr<MemoryLessonSource> m_memory = std::make_shared<MemoryLessonSource>();
    // A damaged copy of the lesson file: "truncate N|half", "scramble PAGE", "flip OFFSET" or "text".
    QString damagedCopy(const QString &damage) const
    {
        QFile source(m_file);
        if (!source.open(QIODevice::ReadOnly))
            return {};
        QByteArray bytes = source.readAll();
        const QStringList words = damage.split(QLatin1Char(' '));
        if (words.at(0) == QLatin1String("truncate")) {
            bytes.truncate(words.at(1) == QLatin1String("half") ? bytes.size() / 2 : words.at(1).toInt());
        } else if (words.at(0) == QLatin1String("scramble")) {
            QRandomGenerator random(words.at(1).toUInt() + 1);
            const qsizetype start = words.at(1).toLongLong() * 4096;
            for (qsizetype i = start; i < start + 4096 && i < bytes.size(); ++i)
                bytes[i] = char(random.bounded(256));
        } else if (words.at(0) == QLatin1String("flip")) {
            bytes[words.at(1).toInt()] = char(~bytes.at(words.at(1).toInt()));
        } else {
            bytes = "NUMBER\tENGLISH\tCHINESE\na01\tHello.\t你好。\n";
        }
        const QString path = m_dir.filePath(QStringLiteral("damaged-%1.mdb").arg(++m_copies));
        QFile copy(path);
        if (!copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size())
            return {};
        return path;
    }

    mutable int m_copies = 0;
    QTemporaryDir m_dir;
    QString m_file;
    QByteArray m_digest;
    QDateTime m_modified;
};

QTEST_MAIN(TestTADODataSet)
#include "tst_tadodataset.moc"
