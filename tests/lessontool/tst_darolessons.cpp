// SPDX-License-Identifier: GPL-3.0-or-later
// The daro-lessons program as the build and the main program use it.
#include "jet3file.h"
#include "lessons/rowstream.h"
#include "lessontool/lessontsv.h"
#include "support/toolrun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <array>
#include <cstring>

namespace {

// daro-lessons, or daro-lessons-read when the first word names it.
ToolRun tool(const QStringList &args)
{
    if (!args.isEmpty() && args.first() == QLatin1String("daro-lessons-read"))
        return runTool(QStringLiteral(DARO_LESSONS_READ_EXE), args.mid(1));
    return runTool(QStringLiteral(DARO_LESSONS_EXE), args);
}

// A row stream put together frame by frame as its format describes it, without the writer.
QByteArray formatted(const RowStream &stream)
{
    const auto u32 = [](quint32 value) {
        QByteArray bytes(4, '\0');
        qToLittleEndian(value, bytes.data());
        return bytes;
    };
    const auto string = [&](const QString &text) {
        const QByteArray utf8 = text.toUtf8();
        return u32(quint32(utf8.size())) + utf8;
    };
    const auto frame = [&](char tag, const QByteArray &payload) {
        return QByteArray(1, tag) + u32(quint32(payload.size())) + payload;
    };
    QByteArray out = "DAROROWS" + u32(2);
    for (const TableRows &table : stream.tables) {
        if (table.missing) {
            out += frame('M', table.name.toUtf8());
        } else if (!table.unreadable.isEmpty()) {
            out += frame('U', string(table.name) + string(table.unreadable));
        } else {
            QByteArray columns = u32(quint32(table.columns.size()));
            for (const QString &column : table.columns)
                columns += string(column);
            out += frame('T', table.name.toUtf8()) + frame('C', columns);
            for (const QStringList &row : table.rows) {
                QByteArray values = u32(quint32(row.size()));
                for (const QString &value : row)
                    values += string(value);
                out += frame('R', values);
            }
        }
    }
    if (!stream.readerError.isEmpty())
        out += frame('E', stream.readerError.toUtf8());
    return out + frame('Z', {});
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray canonical(const QByteArray &tsv)
{
    QByteArray out;
    for (const LessonTsv::Row &row : LessonTsv::parse(tsv, QStringLiteral("canonical")))
        out += LessonTsv::formatRow(row.number, row.english, row.chinese);
    return out;
}

std::vector<QStringList> rowsOf(const QByteArray &tsv)
{
    std::vector<QStringList> rows;
    for (const LessonTsv::Row &row : LessonTsv::parse(tsv, QStringLiteral("rows")))
        rows.push_back({row.number, row.english, row.chinese});
    return rows;
}

// Sources with what the lesson file must carry: comments, CRLF, escapes,
// Chinese, U+FEFF, characters beyond the BMP and memos beyond libmdb's
// default 16 KB bind buffer.
QByteArray razorudSource()
{
    return QByteArray("# Razorud365: the listening course\r\n"
                      "a1\tHello, how are you?\t你好，你好吗？\r\n"
                      "\r\n"
                      "a2\tLine one\\nline two\\tand a tab\t一开始\\\\结束\n"
                      "A3\t\t\n"
                      "b1\t\xEF\xBB\xBF"
                      "BOM first\t\xEF\xBB\xBF中文\n"
                      "b2\tSmile \xF0\x9F\x98\x80\t\xF0\xA0\x80\x80字\n"
                      "c1\t") +
           QByteArray("Long sentence. ").repeated(2000) + "\t" + QByteArray("长句子。").repeated(3000) + "\n";
}

QByteArray durizezSource()
{
    return QByteArray("aa1\tI can do it.\t我能做到。\n"
                      "ab1\tShe is here.\t她在这里。\n"
                      "I1\tCapital I.\t大写的I。\n");
}

} // namespace

class TestDaroLessons : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void buildThenDump();
    void dumpBuildsBackToTheSameFile();
    void dumpProblems();
    void buildRejectsBadSources_data();
    void buildRejectsBadSources();
    void usageErrors_data();
    void usageErrors();
    void readsRequestedTables_data();
    void readsRequestedTables();
    void readReportsProblemsInTheStream_data();
    void readReportsProblemsInTheStream();
    void readsManyRows();
    void readsJet3Text_data();
    void readsJet3Text();
    void programsReaderWritesTheSameStream_data();
    void programsReaderWritesTheSameStream();

private:
    QString build(const QByteArray &razorud, const QByteArray &durizez);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestDaroLessons::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(QFile::exists(QStringLiteral(DARO_LESSONS_EXE)));
}

void TestDaroLessons::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestDaroLessons::build(const QByteArray &razorud, const QByteArray &durizez)
{
    const QString source = m_dir->filePath(QStringLiteral("src"));
    QDir().mkpath(source);
    writeFile(source + QLatin1String("/Razorud365.tsv"), razorud);
    writeFile(source + QLatin1String("/Durizez900.tsv"), durizez);
    const QString target = m_dir->filePath(QStringLiteral("Daruradazi.mdb"));
    const ToolRun run = tool({"build", source, "-o", target});
    if (run.exitCode != 0)
        qWarning("build failed: %s", run.err.constData());
    return run.exitCode == 0 ? target : QString();
}

void TestDaroLessons::buildThenDump()
{
    const QString file = build(razorudSource(), durizezSource());
    QVERIFY(!file.isEmpty());

    const ToolRun razorud = tool({"dump", file, "Razorud365"});
    QCOMPARE(razorud.exitCode, 0);
    QCOMPARE(razorud.err, QByteArray());
    QCOMPARE(razorud.out, canonical(razorudSource()));
    QVERIFY(!razorud.out.contains('#'));

    const ToolRun all = tool({"dump", file});
    QCOMPARE(all.exitCode, 0);
    QCOMPARE(all.out, canonical(razorudSource()) + canonical(durizezSource()));
}

void TestDaroLessons::dumpBuildsBackToTheSameFile()
{
    const QString file = build(razorudSource(), durizezSource());
    QVERIFY(!file.isEmpty());
    const QByteArray first = readFile(file);
    const ToolRun razorud = tool({"dump", file, "razorud365"});
    const ToolRun durizez = tool({"dump", file, "Durizez900"});
    QCOMPARE(razorud.exitCode, 0);
    QCOMPARE(durizez.exitCode, 0);
    QVERIFY(QFile::remove(file));
    QCOMPARE(build(razorud.out, durizez.out), file);
    QCOMPARE(readFile(file), first);
}

void TestDaroLessons::dumpProblems()
{
    const QString file = build("a\tb\tc\n", "d\te\tf\n");
    QVERIFY(!file.isEmpty());
    const ToolRun missing = tool({"dump", file, "Nothing"});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY2(missing.err.contains("there is no table Nothing"), missing.err.constData());
    const ToolRun broken = tool({"dump", m_dir->filePath(QStringLiteral("src/Razorud365.tsv"))});
    QCOMPARE(broken.exitCode, 1);
    QVERIFY2(broken.err.contains("Razorud365.tsv: not a Jet database file"), broken.err.constData());
}

void TestDaroLessons::buildRejectsBadSources_data()
{
    QTest::addColumn<QByteArray>("razorud");
    QTest::addColumn<QByteArray>("durizez");
    QTest::addColumn<QString>("where"); // file:line
    QTest::addColumn<QString>("reason");

    const QByteArray good = "a1\tfine\t好\n";
    QTest::newRow("bad escape") << good << QByteArray("x\ty\tz\nx2\t\\q\tz\n") << "Durizez900.tsv:2"
                                << "ENGLISH has the bad escape \\q";
    QTest::newRow("missing column") << QByteArray("# c\na1\tonly two\n") << good << "Razorud365.tsv:2"
                                    << "has 2 TAB-separated fields";
    QTest::newRow("duplicate NUMBER") << QByteArray("a1\tx\ty\nA1\tx\ty\n") << good << "Razorud365.tsv:2"
                                      << "already used on line 1";
    QTest::newRow("invalid UTF-8") << good << QByteArray("\n\nz\t\xE4\xB8\tw\n") << "Durizez900.tsv:3"
                                   << "not valid UTF-8";
    QTest::newRow("NUMBER too long") << QByteArray("a\tb\tc\n") + QByteArray(256, 'n') + "\tx\ty\n"
                                     << good << "Razorud365.tsv:2"
                                     << "NUMBER is longer than 255 characters";
    QTest::newRow("U+FEFF with 一") << good << QByteArray("z\tok\t\xEF\xBB\xBF\xE4\xB8\x80\n")
                                    << "Durizez900.tsv:1"
                                    << "CHINESE begins with U+FEFF and also contains U+4E00";
}

void TestDaroLessons::buildRejectsBadSources()
{
    QFETCH(QByteArray, razorud);
    QFETCH(QByteArray, durizez);
    QFETCH(QString, where);
    QFETCH(QString, reason);
    const QString source = m_dir->filePath(QStringLiteral("src"));
    const QString out = m_dir->filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(source) && QDir().mkpath(out));
    QVERIFY(writeFile(source + QLatin1String("/Razorud365.tsv"), razorud));
    QVERIFY(writeFile(source + QLatin1String("/Durizez900.tsv"), durizez));
    const QString target = out + QLatin1String("/Daruradazi.mdb");
    QVERIFY(writeFile(target, "the old file"));

    const ToolRun run = tool({"build", source, "-o", target});
    QCOMPARE(run.exitCode, 1);
    const QString err = QString::fromUtf8(run.err);
    QVERIFY2(err.contains(source + QLatin1Char('/') + where + QLatin1String(": ")), qPrintable(err));
    QVERIFY2(err.contains(reason), qPrintable(err));
    // Nothing written: the old file stands and no temporary file is left.
    QCOMPARE(readFile(target), QByteArray("the old file"));
    QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"Daruradazi.mdb"});

    // Without the old file, no file appears at all.
    QVERIFY(QFile::remove(target));
    QCOMPARE(tool({"build", source, "-o", target}).exitCode, 1);
    QVERIFY(QDir(out).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

void TestDaroLessons::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("no command") << QStringList{} << 2;
    QTest::newRow("unknown command") << QStringList{"compile", "x"} << 2;
    QTest::newRow("build without output") << QStringList{"build", "dir"} << 2;
    QTest::newRow("build without source") << QStringList{"build", "-o", "x.mdb"} << 2;
    QTest::newRow("build with -o last") << QStringList{"build", "dir", "-o"} << 2;
    QTest::newRow("build with two sources") << QStringList{"build", "a", "b", "-o", "x.mdb"} << 2;
    QTest::newRow("dump without file") << QStringList{"dump"} << 2;
    QTest::newRow("dump of two tables") << QStringList{"dump", "f.mdb", "A", "B"} << 2;
    QTest::newRow("read without table") << QStringList{"read", "f.mdb"} << 2;
    QTest::newRow("read with an empty table name") << QStringList{"read", "f.mdb", ""} << 2;
    QTest::newRow("program's reader without anything") << QStringList{"daro-lessons-read"} << 2;
    QTest::newRow("program's reader without table") << QStringList{"daro-lessons-read", "f.mdb"} << 2;
    QTest::newRow("program's reader, empty table name") << QStringList{"daro-lessons-read", "f.mdb", ""} << 2;
    QTest::newRow("build from a missing directory")
        << QStringList{"build", "/nonexistent", "-o", "x.mdb"} << 1;
}

void TestDaroLessons::usageErrors()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    const ToolRun run = tool(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(run.out.isEmpty());
    QVERIFY(!run.err.isEmpty());
}

void TestDaroLessons::readsRequestedTables_data()
{
    QTest::addColumn<QStringList>("requested");
    QTest::addColumn<QStringList>("expected"); // table names, "-" before a missing one

    QTest::newRow("both tables") << QStringList{"Razorud365", "Durizez900"}
                                 << QStringList{"Razorud365", "Durizez900"};
    QTest::newRow("other order") << QStringList{"Durizez900", "Razorud365"}
                                 << QStringList{"Durizez900", "Razorud365"};
    QTest::newRow("name in other case") << QStringList{"DURIZEZ900"} << QStringList{"DURIZEZ900"};
    QTest::newRow("missing table") << QStringList{"Nope", "Razorud365"} << QStringList{"-Nope", "Razorud365"};
    QTest::newRow("asked twice") << QStringList{"Razorud365", "razorud365"} << QStringList{"Razorud365"};
    QTest::newRow("the catalogue is no lesson table")
        << QStringList{"MSysObjects"} << QStringList{"MSysObjects"};
}

void TestDaroLessons::readsRequestedTables()
{
    QFETCH(QStringList, requested);
    QFETCH(QStringList, expected);
    const QString file = build(razorudSource(), durizezSource());
    QVERIFY(!file.isEmpty());

    const ToolRun run = tool(QStringList{"read", file} + requested);
    QCOMPARE(run.exitCode, 0);
    RowStream stream;
    QString why;
    QVERIFY2(parseRowStream(run.out, &stream, &why), qPrintable(why));
    QCOMPARE(stream.readerError, QString());
    QCOMPARE(stream.tables.size(), size_t(expected.size()));
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const TableRows &table = stream.tables[size_t(i)];
        const bool missing = expected[i].startsWith(QLatin1Char('-'));
        QCOMPARE(table.missing, missing);
        QCOMPARE(table.name, missing ? expected[i].mid(1) : expected[i]);
        if (missing || table.name == QLatin1String("MSysObjects"))
            continue;
        QCOMPARE(table.columns, (QStringList{"NUMBER", "ENGLISH", "CHINESE"}));
        const bool razorud = table.name.compare(QLatin1String("Razorud365"), Qt::CaseInsensitive) == 0;
        QCOMPARE(table.rows, rowsOf(razorud ? razorudSource() : durizezSource()));
    }
}

void TestDaroLessons::readReportsProblemsInTheStream_data()
{
    QTest::addColumn<QString>("file");       // relative to the temporary directory
    QTest::addColumn<QByteArray>("content"); // written there unless null
    QTest::addColumn<QString>("error");

    QTest::newRow("no such file") << "none.mdb" << QByteArray() << "cannot open the file: ";
    QTest::newRow("a directory") << "." << QByteArray() << "cannot open the file: ";
    QTest::newRow("empty file") << "empty.mdb" << QByteArray("") << "not a Jet database file";
    QTest::newRow("text file") << "text.mdb" << QByteArray("NUMBER\tENGLISH\tCHINESE\n")
                               << "not a Jet database file";
    QTest::newRow("only the header page")
        << "cut.mdb" << QByteArray("cut 1") << "cannot read the table catalogue";
    QTest::newRow("cut before the catalogue's rows")
        << "cut.mdb" << QByteArray("cut 3") << "cannot read the table catalogue";
}

void TestDaroLessons::readReportsProblemsInTheStream()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    const QString path = m_dir->filePath(file);
    if (content.startsWith("cut ")) {
        const QString whole = build("a\tb\tc\n", "d\te\tf\n");
        QVERIFY(!whole.isEmpty());
        QVERIFY(writeFile(path, readFile(whole).left(4096 * content.mid(4).toInt())));
    } else if (!content.isNull()) {
        QVERIFY(writeFile(path, content));
    }

    const ToolRun run = tool({"read", path, "Razorud365"});
    QCOMPARE(run.exitCode, 0);
    RowStream stream;
    QString why;
    QVERIFY2(parseRowStream(run.out, &stream, &why), qPrintable(why));
    QVERIFY2(stream.readerError.startsWith(error), qPrintable(stream.readerError));
    QVERIFY(stream.tables.empty());
}

void TestDaroLessons::readsManyRows()
{
    QByteArray razorud;
    for (int i = 0; i < 10000; ++i) {
        razorud +=
            LessonTsv::formatRow(QStringLiteral("r%1").arg(i), QStringLiteral("This is sentence %1.").arg(i),
                                 QStringLiteral("这是第%1句。").arg(i));
    }
    const QString file = build(razorud, QByteArray());
    QVERIFY(!file.isEmpty());
    const ToolRun run = tool({"read", file, "Razorud365", "Durizez900"});
    QCOMPARE(run.exitCode, 0);
    RowStream stream;
    QString why;
    QVERIFY2(parseRowStream(run.out, &stream, &why), qPrintable(why));
    QCOMPARE(stream.tables.size(), size_t(2));
    QCOMPARE(stream.tables[0].rows, rowsOf(razorud));
    QVERIFY(stream.tables[1].rows.empty());
    QVERIFY(!stream.tables[1].missing);
}

void TestDaroLessons::readsJet3Text_data()
{
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QByteArray>("stored"); // CHINESE as the file holds it
    QTest::addColumn<QString>("chinese");

    const QByteArray gbk = "\xC4\xE3\xBA\xC3\xA3\xAC\xD2\xBB\xBF\xAA";
    QTest::newRow("GBK, header says 936") << 936 << gbk << QStringLiteral("你好，一开");
    QTest::newRow("GBK, header says Western 1252") << 1252 << gbk << QStringLiteral("你好，一开");
    QTest::newRow("GBK, header names no code page") << 0 << gbk << QStringLiteral("你好，一开");
    QTest::newRow("Big5, header says 950") << 950 << QByteArray("\xA7\x41\xA6\x6E") << QStringLiteral("你好");
}

void TestDaroLessons::readsJet3Text()
{
    QFETCH(int, codePage);
    QFETCH(QByteArray, stored);
    QFETCH(QString, chinese);
    const QString path = m_dir->filePath(QStringLiteral("access97.mdb"));
    QVERIFY(writeFile(path, Jet3File(quint16(codePage)).bytes({{"a1", "Hello.", stored}, {"a2", "", ""}})));

    const ToolRun run = tool({"read", path, "Razorud365"});
    QCOMPARE(run.exitCode, 0);
    RowStream stream;
    QString why;
    QVERIFY2(parseRowStream(run.out, &stream, &why), qPrintable(why));
    QCOMPARE(stream.readerError, QString());
    QCOMPARE(stream.tables.size(), size_t(1));
    QCOMPARE(stream.tables[0].columns, (QStringList{"NUMBER", "ENGLISH", "CHINESE"}));
    const std::vector<QStringList> expected{{"a1", "Hello.", chinese}, {"a2", "", ""}};
    QCOMPARE(stream.tables[0].rows, expected);
}

// daro-lessons-read, which the program runs, writes what `read` writes, and
// that is the stream byte for byte as its format has it.
void TestDaroLessons::programsReaderWritesTheSameStream_data()
{
    QTest::addColumn<QString>("file"); // empty: the bundled lessons
    QTest::addColumn<QStringList>("tables");

    QTest::newRow("bundled lessons") << QString() << QStringList{"Razorud365", "Durizez900"};
    QTest::newRow("a missing table, one asked twice")
        << QString() << QStringList{"Nope", "durizez900", "Durizez900"};
    QTest::newRow("no such file") << "none.mdb" << QStringList{"Razorud365"};
}

void TestDaroLessons::programsReaderWritesTheSameStream()
{
    QFETCH(QString, file);
    QFETCH(QStringList, tables);
    const QString path = file.isEmpty() ? QFileInfo(QStringLiteral(DARO_LESSONS_READ_EXE))
                                              .dir()
                                              .filePath(QStringLiteral("../share/daro/Daruradazi.mdb"))
                                        : m_dir->filePath(file);
    const ToolRun lean = tool(QStringList{"daro-lessons-read", path} + tables);
    const ToolRun read = tool(QStringList{"read", path} + tables);
    QCOMPARE(lean.exitCode, 0);
    QCOMPARE(lean.out, read.out);
    RowStream stream;
    QString why;
    QVERIFY2(parseRowStream(lean.out, &stream, &why), qPrintable(why));
    QCOMPARE(stream.readerError.isEmpty(), file.isEmpty());
    if (file.isEmpty())
        QVERIFY(stream.tables.back().rows.size() > 10);
    QCOMPARE(lean.out, formatted(stream));
}

QTEST_GUILESS_MAIN(TestDaroLessons)
#include "tst_darolessons.moc"
