// SPDX-License-Identifier: GPL-3.0-or-later
// The Chinese interface. CTest runs this test under a zh_CN locale, and the
// translators are installed as the program installs them at start-up: Qt's
// buttons and the program's own messages (the lesson reader child's too) read
// Chinese, while the designs' captions and the messages quoted from them stay
// exactly as they are. The catalogue must cover every message in the code.
#include "Unit1/tform1.h"
#include "Unit3/tform3.h"
#include "base/errors.h"
#include "base/translations.h"
#include "controls/errorbox.h"
#include "lessons/lessonsnapshot.h"
#include "lessons/lessonsource.h"
#include "lessons/rowstream.h"
#include "lessons/tadodataset.h"
#include "recorder/recordererror.h"
#include "recorder/waverecorder.h"
#include "support/capturedouble.h"
#include "support/memorylessonsource.h"
#include "support/messagedouble.h"
#include "support/speechdouble.h"
#include "wnMain/services.h"
#include "wnMain/tfmmain.h"

#include <QAbstractButton>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <functional>

using Message = std::function<QString()>;
Q_DECLARE_METATYPE(Message)

namespace {

QString raised(const std::function<void()> &step)
{
    try {
        step();
    } catch (const AppError &error) {
        return error.message();
    }
    return QStringLiteral("(nothing raised)");
}

// Every caption a window shows, in a fixed order.
QStringList captions(const QWidget &window)
{
    QStringList texts{window.windowTitle()};
    for (const QAction *action : window.findChildren<QAction *>())
        texts << action->text();
    for (const QAbstractButton *button : window.findChildren<QAbstractButton *>())
        texts << button->text();
    for (const QLabel *label : window.findChildren<QLabel *>())
        texts << label->text();
    for (const QTabWidget *tabs : window.findChildren<QTabWidget *>())
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i);
    return texts;
}

// The captions of the program's three windows as they are built.
QStringList allDesignCaptions()
{
    RecordingMessageBoxes boxes;
    ErrorBox errors(boxes);
    Services services;
    services.speech = std::make_unique<RecordingSpeechBackend>();
    services.capture = std::make_unique<CaptureDouble>();
    services.messages = std::make_unique<RecordingMessageBoxes>();
    services.lessons = std::make_shared<MemoryLessonSource>();
    services.errors = &errors;
    const TfmMain main(std::move(services));
    const TForm1 help(errors);
    const TForm3 about(errors);
    return captions(main) + captions(help) + captions(about);
}

QStringList placeholders(const QString &text)
{
    QStringList found;
    for (const QRegularExpressionMatch &match : QRegularExpression(QStringLiteral("%\\d")).globalMatch(text))
        found << match.captured();
    found.sort();
    return found;
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCOMPARE(QLocale().name(), QStringLiteral("zh_CN"));
        QVERIFY(m_dir.isValid());
        QFile notes(m_dir.filePath(QStringLiteral("notes.mdb")));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("Lesson notes typed by hand: no database inside.\n");
    }

    void qtButtonsReadChinese()
    {
        const Translations translations;
        QVERIFY(translations.hasQtCatalogue());
        QMessageBox box(QMessageBox::Critical, QStringLiteral("daro"), QStringLiteral("x"), QMessageBox::Ok);
        QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
    }

    void programMessages_data()
    {
        QTest::addColumn<Message>("message");
        QTest::addColumn<QString>("expected");
        const QString missing = m_dir.filePath(QStringLiteral("none.mdb"));
        const QString notes = m_dir.filePath(QStringLiteral("notes.mdb"));

        QTest::newRow("lesson file missing")
            << Message([=] { return raised([&] { ReaderLessonSource().load(missing); }); })
            << QStringLiteral("找不到课程文件“%1”。").arg(missing);
        // The reader child follows the same locale.
        QTest::newRow("not a lesson file, in the reader's words")
            << Message([=] { return raised([&] { ReaderLessonSource().load(notes); }); })
            << QStringLiteral("课程文件“%1”已损坏，无法读取（不是 Jet 格式的 Access 数据库文件）。")
                   .arg(notes);
        // Built here, before the translators are installed (as a lesson file read
        // at start-up is): the reasons are translated when shown.
        auto early = std::make_shared<LessonSnapshot>(QStringLiteral("early.mdb"));
        early->addUnreadableTable(QStringLiteral("Razorud365"),
                                  QStringLiteral("the list of its pages is damaged"));
        TableRows noColumns;
        noColumns.name = QStringLiteral("Durizez900");
        early->addTables({noColumns});
        early->seal();
        const QString unreadable =
            QStringLiteral("课程文件“early.mdb”已损坏：无法读取其中的数据表“%1”（%2）。");
        QTest::newRow("a table the reader cannot read") << Message([=] {
            return raised([&] { early->query(QStringLiteral("select * from Razorud365")); });
        }) << unreadable.arg(QStringLiteral("Razorud365"), QStringLiteral("它的页面清单已损坏"));
        QTest::newRow("a table without columns") << Message([=] {
            return raised([&] { early->query(QStringLiteral("select * from Durizez900")); });
        }) << unreadable.arg(QStringLiteral("Durizez900"), QStringLiteral("它没有任何列"));
        QTest::newRow("closed data set") << Message([=] {
            TADODataSet dataSet(QStringLiteral("ADODataSet1"), QStringLiteral("Data Source=") + missing,
                                QStringLiteral("select * from Razorud365"),
                                std::make_shared<ReaderLessonSource>());
            return raised([&] { dataSet.Next(); });
        }) << QStringLiteral("ADODataSet1：数据集已关闭（课程没有打开），无法执行此操作。");
        QTest::newRow("recording file not a wave file") << Message([=] {
            WaveRecorder recorder(std::make_unique<CaptureDouble>());
            recorder.setFileName(notes);
            return raised([&] { recorder.Open(); });
        }) << QStringLiteral("录音文件“%1”不是 PCM 格式的 WAV 文件。").arg(notes);
        QTest::newRow("no input device") << Message([] { return recorderErrorText(ErrNoInputDevice); })
                                         << QStringLiteral("没有可用的声音输入设备（如麦克风）。");

        // Quoted texts stay as quoted.
        QTest::newRow("closed recorder") << Message([] {
            WaveRecorder recorder(std::make_unique<CaptureDouble>());
            return raised([&] { recorder.Record(); });
        }) << QStringLiteral("No MCI device open");
        QTest::newRow("unknown recorder result")
            << Message([] { return recorderErrorText(-1); }) << QStringLiteral("Unknown error code");
    }

    void programMessages()
    {
        QFETCH(Message, message);
        QFETCH(QString, expected);
        const Translations translations;
        QVERIFY(translations.hasProgramCatalogue());
        QCOMPARE(message(), expected);
    }

    void designCaptionsStayAsDesigned()
    {
        const QStringList asDesigned = allDesignCaptions();
        QVERIFY(asDesigned.contains(QStringLiteral("传统风格")));
        QVERIFY(asDesigned.contains(QStringLiteral("  听")));
        const Translations translations;
        QCOMPARE(allDesignCaptions(), asDesigned);
    }

    // lupdate scans the code into a copy of the catalogue: every message must
    // come out with a finished translation that keeps its placeholders, and
    // none may be left over from messages the code no longer has.
    void catalogueCoversEveryMessage()
    {
        const QString copy = m_dir.filePath(QStringLiteral("catalogue.ts"));
        QVERIFY(QFile::copy(QStringLiteral(DARO_TS_FILE), copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        QProcess lupdate;
        lupdate.start(QStringLiteral(DARO_LUPDATE),
                      {QStringLiteral("@" DARO_TRANSLATION_SOURCES), QStringLiteral("-ts"), copy,
                       QStringLiteral("-locations"), QStringLiteral("none")});
        QVERIFY(lupdate.waitForFinished(60000));
        QVERIFY2(lupdate.exitCode() == 0, lupdate.readAllStandardError().constData());

        QFile file(copy);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QStringList problems;
        int messages = 0;
        QString source;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("source")) {
                source = xml.readElementText();
            } else if (xml.name() == QLatin1String("translation")) {
                ++messages;
                const QString type = xml.attributes().value(QLatin1String("type")).toString();
                const QString text = xml.readElementText();
                if (!type.isEmpty())
                    problems << type + QLatin1String(": ") + source;
                else if (text.isEmpty() || placeholders(text) != placeholders(source))
                    problems << QLatin1String("placeholders or text lost: ") + source;
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(messages > 0);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
