// SPDX-License-Identifier: GPL-3.0-or-later
// Damaged copies of the bundled lesson file, opened through the program's own
// data layer and the real reader: each must give rows or an ordinary open
// error, and no reader process or descriptor may be left behind.
//
//   tst_damagedlessons [-count N] [-seed S] [-lessons FILE] [QtTest options]
//
// Without -count every planned damage is tried; -lessons damages that file
// instead of the bundled one.
#include "lessons/lessonconnection.h"
#include "lessons/lessonquery.h"
#include "lessons/tadodataset.h"
#include "tests/damaged/lessondamage.h"
#include "wnMain/errors.h"

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

#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int kPlannedDamages = 2400;
constexpr quint32 kDefaultSeed = 20240611;
// Where a Jet 4 table definition keeps the row pointer of its usage map.
constexpr qsizetype kUsageMapPointer = 0x37;

const QString kConnection =
    QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False");

struct Options
{
    int count = 0;
    quint32 seed = kDefaultSeed;
    QString lessons;
};

struct ProcessInfo
{
    qint64 pid = 0;
    char state = '?';
};

// Processes whose parent is this test. The test adopts orphans (it is a
// subreaper), so whatever a reader started and left running shows up too.
QList<ProcessInfo> ownChildren()
{
    QList<ProcessInfo> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        // "pid (name) state ppid ...": the name may hold anything, so read from its end.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1).toLongLong() == qint64(::getpid()))
            children << ProcessInfo{pid, fields.at(0).isEmpty() ? '?' : fields.at(0).at(0)};
    }
    return children;
}

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

struct Opened
{
    QString error;   // empty when both data sets opened
    QByteArray rows; // digest of every row both data sets show
    int rowCount = 0;
};

void addRows(TADODataSet &dataSet, QCryptographicHash &digest, int *count)
{
    while (dataSet.Active() && !dataSet.IsEmpty() && !dataSet.Eof()) {
        for (const char *field : {"NUMBER", "ENGLISH", "CHINESE"}) {
            digest.addData(dataSet.fieldText(QLatin1String(field)).toUtf8());
            digest.addData(QByteArrayView("\t", 1));
        }
        ++*count;
        dataSet.Next();
    }
}

// Opens the file as the program does at start-up (a whole table, columns bound)
// and with a lesson query on the other table.
Opened openLessons(const QString &fileName)
{
    Opened opened;
    QCryptographicHash digest(QCryptographicHash::Sha256);
    TADODataSet listening(QStringLiteral("ADODataSet1"), kConnection.arg(fileName),
                          QStringLiteral("select * from Razorud365"));
    TADODataSet patterns(QStringLiteral("ADODataSet3"), kConnection.arg(fileName),
                         QStringLiteral("select * from Durizez900"));
    for (TADODataSet *dataSet : {&listening, &patterns}) {
        for (const char *field : {"NUMBER", "ENGLISH", "CHINESE"})
            dataSet->addRequiredField(QLatin1String(field));
    }
    try {
        listening.Open();
        addRows(listening, digest, &opened.rowCount);
    } catch (const AppError &error) {
        // A file the reader could not read fails every data set alike; only
        // a file that was read can still serve the other table.
        opened.error = errorKind(error.message(), fileName);
        if (!listening.connection().isLoaded())
            return opened;
    }
    try {
        OpenLesson(patterns, QStringLiteral("Durizez900"), QStringLiteral("a"));
        addRows(patterns, digest, &opened.rowCount);
    } catch (const AppError &error) {
        if (opened.error.isEmpty())
            opened.error = errorKind(error.message(), fileName);
    }
    opened.rows = digest.result();
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
        const Opened intact = openLessons(source);
        QVERIFY2(intact.error.isEmpty(), qPrintable(intact.error));
        QVERIFY(intact.rowCount > 0);
        m_intactRows = intact.rows;
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
            opened = openLessons(fileName);
        } catch (const std::exception &error) {
            QFAIL(qPrintable(QStringLiteral("not an open error: %1").arg(QString::fromUtf8(error.what()))));
        }
        const qint64 elapsed = clock.elapsed();
        QFile::remove(fileName);

        QString outcome;
        if (!opened.error.isEmpty())
            outcome = QStringLiteral("error: ") + opened.error;
        else if (opened.rows == m_intactRows)
            outcome = QStringLiteral("rows, as in the intact file");
        else
            outcome = QStringLiteral("rows, changed");
        ++m_outcomes[outcome];
        if (!m_example.contains(outcome))
            m_example.insert(outcome, QString::number(index));
        ++m_byRegion[damage.region][opened.error.isEmpty() ? 0 : 1];
        m_slowest = qMax(m_slowest, elapsed);
        if (!changed)
            QCOMPARE(outcome, QStringLiteral("rows, as in the intact file"));

        const QList<ProcessInfo> children = ownChildren();
        for (const ProcessInfo &child : children)
            qWarning("left behind: process %lld in state %c", child.pid, child.state);
        QVERIFY2(children.isEmpty(), "a reader process was left behind");
        QCOMPARE(openDescriptors(), m_descriptors);
    }

    // A table definition whose usage map pointer names a row that is not
    // there once crashed the reader inside libmdb.
    void usageMapPointingNowhere_data()
    {
        QTest::addColumn<qsizetype>("offset");
        QTest::addColumn<quint32>("pointer");
        // Pointers are (page << 8) | row; no page of the file has 0x80 rows.
        const quint32 pointers[] = {0x000000FE, 0x00000080, 0x000005FE, 0x000003FE};
        for (const qsizetype definition : LessonDamage::lessonDefinitions(m_intact)) {
            for (const quint32 pointer : pointers)
                QTest::addRow("definition at 0x%llx, pointer 0x%08x", qlonglong(definition), pointer)
                    << definition + kUsageMapPointer << pointer;
        }
    }

    void usageMapPointingNowhere()
    {
        QFETCH(qsizetype, offset);
        QFETCH(quint32, pointer);
        QByteArray bytes = m_intact;
        qToLittleEndian(pointer, bytes.data() + offset);
        const QString fileName =
            m_dir.filePath(QStringLiteral("usage-map-%1-%2.mdb").arg(offset).arg(pointer));
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();
        static const QRegularExpression tableUnread(
            QStringLiteral("\\(cannot read table (Razorud365|Durizez900)\\)"));
        const Opened opened = openLessons(fileName);
        QVERIFY2(tableUnread.match(opened.error).hasMatch(), qPrintable(opened.error));
    }

    void intactFileStillOpens()
    {
        const QString fileName = m_dir.filePath(QStringLiteral("intact-again.mdb"));
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(m_intact), m_intact.size());
        file.close();
        const Opened again = openLessons(fileName);
        QVERIFY2(again.error.isEmpty(), qPrintable(again.error));
        QCOMPARE(again.rows, m_intactRows);
    }

    void cleanupTestCase()
    {
        int total = 0;
        for (const int n : std::as_const(m_outcomes))
            total += n;
        qInfo("%d damaged files in %.1f s (slowest %lld ms, reader time limit %d ms)", total,
              m_clock.elapsed() / 1000.0, m_slowest, LessonConnection::readTimeLimitMs());
        for (auto it = m_outcomes.cbegin(); it != m_outcomes.cend(); ++it)
            qInfo("%6d  %s  (first: %s)", it.value(), qPrintable(it.key()),
                  qPrintable(m_example.value(it.key())));
        for (auto it = m_byRegion.cbegin(); it != m_byRegion.cend(); ++it)
            qInfo("%-26s %5d rows, %5d errors", qPrintable(it.key()), it.value()[0], it.value()[1]);
    }

private:
    Options m_options;
    QTemporaryDir m_dir;
    QByteArray m_intact;
    QByteArray m_intactRows;
    QStringList m_descriptors;
    std::vector<LessonDamage> m_damages;
    QMap<QString, int> m_outcomes;
    QMap<QString, QString> m_example;
    QMap<QString, std::array<int, 2>> m_byRegion;
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
