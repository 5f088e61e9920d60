// SPDX-License-Identifier: GPL-3.0-or-later
// Damaged copies of the bundled lesson file, opened through the program's own
// data layer and the real reader: each must give rows or an ordinary open
// error, a damage inside one table's pages must leave the other table whole,
// and no reader process or descriptor may be left behind.
//
//   tst_damagedlessons [-count N] [-seed S] [-lessons FILE] [QtTest options]
//
// Without -count every planned damage is tried; -lessons damages that file
// instead of the bundled one.
#include "base/errors.h"
#include "lessons/catalogue.h"
#include "lessons/lessonconnection.h"
#include "lessons/lessonquery.h"
#include "lessons/lessonsource.h"
#include "lessons/tadodataset.h"
#include "support/childprocesses.h"
#include "support/lessonfixture.h"
#include "tests/damaged/lessondamage.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <array>
#include <memory>

#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int kPlannedDamages = 2400;
constexpr quint32 kDefaultSeed = 20240611;
// Where a Jet 4 table definition keeps its row count and the row pointer of its usage map.
constexpr qsizetype kRowCount = 0x10;
constexpr qsizetype kUsageMapPointer = 0x37;

const QString kConnection =
    QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False");

// The two lesson tables, and the data sets that start-up opens on each.
const char *const kTables[] = {"Razorud365", "Durizez900"};
const QStringList kDataSetsOn[] = {{"ADODataSet1", "ADODataSet2"}, {"ADODataSet3"}};
constexpr char kIntact[] = "rows, as in the intact file";

struct Options
{
    int count = 0;
    quint32 seed = kDefaultSeed;
    QString lessons;
};

QStringList openDescriptors()
{
    QStringList targets;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    const QStringList entries = fds.entryList(QDir::Files | QDir::System);
    for (const QString &entry : entries)
        targets << QFile::symLinkTarget(fds.filePath(entry));
    targets.sort();
    return targets;
}

// An error text without what differs from file to file: the path, byte offsets.
QString errorKind(QString text, const QString &fileName)
{
    text.replace(fileName, QStringLiteral("FILE"));
    static const QRegularExpression offsets(QStringLiteral("byte \\d+"));
    text.replace(offsets, QStringLiteral("byte N"));
    return text;
}

std::unique_ptr<TADODataSet> boundDataSet(const std::shared_ptr<LessonSource> &source, const QString &name,
                                          const QString &fileName, const QString &table)
{
    auto dataSet = std::make_unique<TADODataSet>(name, kConnection.arg(fileName),
                                                 QLatin1String("select * from ") + table, source);
    for (const char *field : {"NUMBER", "ENGLISH", "CHINESE"})
        dataSet->addRequiredField(QLatin1String(field));
    return dataSet;
}

QByteArray digestOf(const QList<QStringList> &rows)
{
    QCryptographicHash digest(QCryptographicHash::Sha256);
    for (const QStringList &row : rows)
        digest.addData(row.join(QLatin1Char('\t')).toUtf8() + '\n');
    return digest.result();
}

// Per lesson table: the error its data set met (empty when it opened) and a digest of its rows.
struct Opened
{
    std::array<QString, 2> error;
    std::array<QByteArray, 2> rows;
    std::array<bool, 2> fileRead{};
    int rowCount = 0;
};

// Opens the file on each table as the program does: the first whole, as at
// start-up, the other on a lesson. Each data set opens or fails on its own.
Opened openLessons(const std::shared_ptr<LessonSource> &source, const QString &fileName)
{
    Opened opened;
    std::unique_ptr<TADODataSet> dataSets[2];
    for (int t = 0; t < 2; ++t)
        dataSets[t] = boundDataSet(source, kDataSetsOn[t].first(), fileName, QLatin1String(kTables[t]));
    for (int t = 0; t < 2; ++t) {
        try {
            if (t == 0)
                dataSets[t]->Open();
            else
                OpenLesson(*dataSets[t], QLatin1String(kTables[t]), QStringLiteral("a"));
            const QList<QStringList> rows = walk(*dataSets[t]);
            opened.rows[t] = digestOf(rows);
            opened.rowCount += int(rows.size());
        } catch (const AppError &error) {
            opened.error[t] = errorKind(error.message(), fileName);
        }
        opened.fileRead[t] = dataSets[t]->connection().isLoaded();
    }
    return opened;
}

} // namespace

class TestDamagedLessons : public QObject
{
    Q_OBJECT
public:
    explicit TestDamagedLessons(const Options &options)
        : m_options(options)
    {}

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        QCOMPARE(::prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0), 0);

        // The bundled file, where the program finds it: ../share/daro beside bin/.
        const QString source =
            !m_options.lessons.isEmpty()
                ? m_options.lessons
                : QCoreApplication::applicationDirPath() + QLatin1String("/../share/daro/Daruradazi.mdb");
        QFile file(source);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(source));
        m_intact = file.readAll();
        file.close();

        // The intact file gives every row, and sets the descriptors a run may hold.
        const Opened intact = openLessons(m_source, source);
        QVERIFY2(intact.error[0].isEmpty() && intact.error[1].isEmpty(),
                 qPrintable(intact.error[0] + intact.error[1]));
        QVERIFY(intact.rowCount > 0);
        m_intactRows = intact.rows;
        // Every lesson of the catalogue, and which definition page holds which
        // table, told by the row count it records.
        std::unique_ptr<TADODataSet> wholeTables[2];
        for (int t = 0; t < 2; ++t) {
            wholeTables[t] =
                boundDataSet(m_source, QStringLiteral("whole"), source, QLatin1String(kTables[t]));
            wholeTables[t]->Open();
        }
        QVERIFY(wholeTables[0]->RecordCount() != wholeTables[1]->RecordCount());
        for (const qsizetype definition : LessonDamage::lessonDefinitions(m_intact)) {
            const int rows = qFromLittleEndian<qint32>(m_intact.constData() + definition + kRowCount);
            for (int t = 0; t < 2; ++t) {
                if (rows == wholeTables[t]->RecordCount())
                    m_tableAt.insert(definition, t);
            }
        }
        QCOMPARE(m_tableAt.size(), 2);
        for (const CatalogueEntry &entry : kCatalogue) {
            const int t = entry.table == QLatin1String(kTables[0]) ? 0 : 1;
            OpenLesson(*wholeTables[t], QLatin1String(entry.table), QLatin1String(entry.key));
            m_lessons[QLatin1String(entry.table) + QLatin1Char('/') + QLatin1String(entry.key)] =
                walk(*wholeTables[t]);
        }
        wholeTables[0].reset();
        wholeTables[1].reset();
        m_descriptors = openDescriptors();
        QVERIFY(ownChildren().isEmpty());

        m_damages = LessonDamage::sample(LessonDamage::plan(m_intact, m_options.seed, kPlannedDamages),
                                         m_options.count);
        QVERIFY(m_damages.size() >= size_t(qMin(m_options.count > 0 ? m_options.count : 2000, 2000)));
        m_clock.start();
    }

    void opensOrFailsCleanly_data()
    {
        QTest::addColumn<int>("index");
        for (size_t i = 0; i < m_damages.size(); ++i)
            QTest::addRow("%04d %s", int(i), qPrintable(m_damages[i].describe())) << int(i);
    }

    void opensOrFailsCleanly()
    {
        QFETCH(int, index);
        const LessonDamage &damage = m_damages[size_t(index)];
        const QByteArray bytes = damage.applyTo(m_intact);
        // A name of its own: connections share what they read of the same file.
        const QString fileName = m_dir.filePath(QStringLiteral("damaged-%1.mdb").arg(index));
        {
            QFile file(fileName);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(bytes), bytes.size());
        }
        const bool changed = bytes != m_intact;

        QElapsedTimer clock;
        clock.start();
        Opened opened;
        try {
            opened = openLessons(m_source, fileName);
        } catch (const std::exception &error) {
            QFAIL(qPrintable(QStringLiteral("not an open error: %1").arg(QString::fromUtf8(error.what()))));
        }
        const qint64 elapsed = clock.elapsed();
        QFile::remove(fileName);

        std::array<QString, 2> outcomes;
        for (int t = 0; t < 2; ++t) {
            if (!opened.error[t].isEmpty())
                outcomes[t] = QStringLiteral("error: ") + opened.error[t];
            else if (opened.rows[t] == m_intactRows[t])
                outcomes[t] = QString::fromLatin1(kIntact);
            else
                outcomes[t] = QStringLiteral("rows, changed");
            const QString outcome = QLatin1String(kTables[t]) + QLatin1String(": ") + outcomes[t];
            ++m_outcomes[outcome];
            if (!m_example.contains(outcome))
                m_example.insert(outcome, QString::number(index));
        }
        const int failed = int(!opened.error[0].isEmpty()) + int(!opened.error[1].isEmpty());
        ++m_byRegion[damage.region][size_t(failed)];
        m_slowest = qMax(m_slowest, elapsed);
        if (!changed)
            QCOMPARE(outcomes, (std::array<QString, 2>{kIntact, kIntact}));
        // A file that could not be read at all fails every data set alike.
        if (!opened.fileRead[0] || !opened.fileRead[1]) {
            QVERIFY(!opened.error[0].isEmpty());
            QCOMPARE(opened.error[1], opened.error[0]);
        }
        // What lies in one table's own pages cannot spoil the other table.
        if (damage.tableDefinition != 0) {
            const int other = 1 - m_tableAt.value(damage.tableDefinition);
            QVERIFY2(outcomes[size_t(other)] == QLatin1String(kIntact),
                     qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(kTables[other]),
                                                             outcomes[size_t(other)])));
        }

        const QList<ChildProcess> children = childProcesses();
        for (const ChildProcess &child : children)
            qWarning("left behind: process %lld in state %c", child.pid, child.state);
        QVERIFY2(children.isEmpty(), "a reader process was left behind");
        QCOMPARE(openDescriptors(), m_descriptors);
    }

    // A file whose one table cannot be read, opened as start-up opens it: only
    // the data sets on that table fail, and the other course's lessons open
    // and step as in the intact file.
    void oneDamagedTable_data()
    {
        QTest::addColumn<int>("table");
        QTest::addColumn<qsizetype>("offset");
        QTest::addColumn<QByteArray>("patch");
        const auto utf16 = [](const char *text) {
            const QString string = QLatin1String(text);
            return QByteArray(reinterpret_cast<const char *>(string.utf16()), string.size() * 2);
        };
        for (const qsizetype definition : LessonDamage::lessonDefinitions(m_intact)) {
            const int table = m_tableAt.value(definition);
            const char *name = kTables[table];
            QTest::addRow("%s: not a definition page", name) << table << definition << QByteArray(1, '\x01');
            // Pointers are (page << 8) | row; no page of the file has 0x80 rows.
            // Once such a pointer crashed the reader inside libmdb.
            for (const quint32 pointer : {0x000000FEu, 0x00000080u, 0x000005FEu, 0x000003FEu}) {
                QByteArray bytes(4, '\0');
                qToLittleEndian(pointer, bytes.data());
                QTest::addRow("%s: usage map pointer 0x%08x", name, pointer)
                    << table << definition + kUsageMapPointer << bytes;
            }
            // The column names end the definition.
            const qsizetype chinese = m_intact.indexOf(utf16("CHINESE"), definition);
            QVERIFY(chinese > definition && chinese - definition < 2048);
            QTest::addRow("%s: two columns named ENGLISH", name) << table << chinese << utf16("ENGLISH");
        }
    }

    void oneDamagedTable()
    {
        QFETCH(int, table);
        QFETCH(qsizetype, offset);
        QFETCH(QByteArray, patch);
        const QString fileName = m_dir.filePath(QStringLiteral("one-table-%1.mdb").arg(++m_copies));
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray bytes = QByteArray(m_intact).replace(offset, patch.size(), patch);
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();

        std::vector<std::unique_ptr<TADODataSet>> dataSets;
        QStringList failed;
        QString error;
        for (int t = 0; t < 2; ++t) {
            for (const QString &name : kDataSetsOn[t]) {
                dataSets.push_back(boundDataSet(m_source, name, fileName, QLatin1String(kTables[t])));
                try {
                    dataSets.back()->Open();
                } catch (const AppError &e) {
                    failed << name;
                    error = e.message();
                }
            }
        }
        QCOMPARE(failed, kDataSetsOn[table]);
        for (const QString &mention :
             {fileName, QString::fromLatin1(kTables[table]), QStringLiteral("damaged")})
            QVERIFY2(error.contains(mention), qPrintable(error));

        for (const CatalogueEntry &entry : kCatalogue) {
            const bool onDamaged = entry.table == QLatin1String(kTables[table]);
            for (const auto &dataSet : dataSets) {
                if (!kDataSetsOn[onDamaged ? table : 1 - table].contains(dataSet->objectName()))
                    continue;
                if (onDamaged) {
                    // Every later lesson on the damaged table reports the same error.
                    QString again;
                    try {
                        OpenLesson(*dataSet, QLatin1String(entry.table), QLatin1String(entry.key));
                    } catch (const AppError &e) {
                        again = e.message();
                    }
                    QCOMPARE(again, error);
                    QVERIFY(!dataSet->Active());
                } else {
                    OpenLesson(*dataSet, QLatin1String(entry.table), QLatin1String(entry.key));
                    QCOMPARE(walk(*dataSet), m_lessons.value(QLatin1String(entry.table) + QLatin1Char('/') +
                                                             QLatin1String(entry.key)));
                }
            }
        }
    }

    void intactFileStillOpens()
    {
        const QString fileName = m_dir.filePath(QStringLiteral("intact-again.mdb"));
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(m_intact), m_intact.size());
        file.close();
        const Opened again = openLessons(m_source, fileName);
        QVERIFY2(again.error[0].isEmpty() && again.error[1].isEmpty(),
                 qPrintable(again.error[0] + again.error[1]));
        QCOMPARE(again.rows, m_intactRows);
    }

    void cleanupTestCase()
    {
        int total = 0;
        for (const std::array<int, 3> &n : std::as_const(m_byRegion))
            total += n[0] + n[1] + n[2];
        qInfo("%d damaged files in %.1f s (slowest %lld ms, reader time limit %d ms)", total,
              m_clock.elapsed() / 1000.0, m_slowest, m_source->readTimeLimitMs());
        for (auto it = m_outcomes.cbegin(); it != m_outcomes.cend(); ++it)
            qInfo("%6d  %s  (first: %s)", it.value(), qPrintable(it.key()),
                  qPrintable(m_example.value(it.key())));
        qInfo("%-26s %9s %9s %9s", "tables that failed:", "none", "one", "both");
        for (auto it = m_byRegion.cbegin(); it != m_byRegion.cend(); ++it)
            qInfo("%-26s %9d %9d %9d", qPrintable(it.key()), it.value()[0], it.value()[1], it.value()[2]);
    }

private:
    const std::shared_ptr<ReaderLessonSource> m_source = std::make_shared<ReaderLessonSource>();
    Options m_options;
    QTemporaryDir m_dir;
    QByteArray m_intact;
    std::array<QByteArray, 2> m_intactRows;
    QStringList m_descriptors;
    std::vector<LessonDamage> m_damages;
    QMap<qsizetype, int> m_tableAt;              // where a definition starts -> index in kTables
    QMap<QString, QList<QStringList>> m_lessons; // "table/key" -> the intact lesson's rows
    int m_copies = 0;
    QMap<QString, int> m_outcomes;
    QMap<QString, QString> m_example;
    QMap<QString, std::array<int, 3>> m_byRegion; // damaged files by how many tables failed
    QElapsedTimer m_clock;
    qint64 m_slowest = 0;
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Options options;
    QStringList testArguments;
    const QStringList arguments = app.arguments();
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        if (argument == QLatin1String("-count") && hasValue)
            options.count = arguments.at(++i).toInt();
        else if (argument == QLatin1String("-seed") && hasValue)
            options.seed = arguments.at(++i).toUInt();
        else if (argument == QLatin1String("-lessons") && hasValue)
            options.lessons = arguments.at(++i);
        else
            testArguments << argument;
    }
    TestDamagedLessons test(options);
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, testArguments);
}

#include "tst_damagedlessons.moc"
