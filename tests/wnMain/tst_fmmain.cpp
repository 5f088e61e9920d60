// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven headless over a small lesson file: start-up, lesson
// choice from tree and menu, listening, dictation and the window chrome.
#include "fmmainfixture.h"

#include "Unit1/tform1.h"
#include "Unit3/tform3.h"
#include "base/errors.h"
#include "base/ttimer.h"
#include "base/winpath.h"
#include "controls/fonts.h"
#include "lessons/catalogue.h"
#include "lessons/lessonconnection.h"
#include "lessontool/lessontsv.h"

#include <QAbstractTextDocumentLayout>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <algorithm>

namespace {

const QStringList kListen1a{QStringLiteral("热点听力"), QStringLiteral("第一章"), QStringLiteral("第一节")};
const QStringList kListen1b{QStringLiteral("热点听力"), QStringLiteral("第一章"), QStringLiteral("第二节")};
const QStringList kListen2a{QStringLiteral("热点听力"), QStringLiteral("第二章"), QStringLiteral("第一节 ")};
const QStringList kBook1Unit1{QStringLiteral("精读句型"), QStringLiteral("第一册"), QStringLiteral("unit1")};
const QStringList kBook2Unit1{QStringLiteral("精读句型"), QStringLiteral("第二册"), QStringLiteral("unit1 ")};
const QStringList kBook5Unit6{QStringLiteral("精读句型"), QStringLiteral("第五册"),
                              QStringLiteral("unit6    ")};
const QStringList kClassic{QStringLiteral("经典语句")};

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

QByteArray fileDigest(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestFmMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setApplicationName(QStringLiteral("daro"));
        QGuiApplication::setQuitOnLastWindowClosed(false);
        registerFontSubstitutions();
        // Data directories of this test's own: the lesson file is looked up there
        // first, and one installed on the machine must not stand in for the fixture.
        QVERIFY(home.isValid());
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(home.filePath(QStringLiteral("system"))));
        lessonFile = localPath(QString::fromUtf16(kLessonFileWindowsPath));
        QVERIFY2(QFileInfo::exists(lessonFile), qPrintable(lessonFile));
    }
    void init() { errors = RecordingMessageBoxes(); }

    // ---- Start-up

    void startsInTheDesignState()
    {
        Window w(errors);
        QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));
        QCOMPARE(w->windowTitle(), S("daro"));
        QCOMPARE(w->PageControl1->currentWidget(), w->TabSheet1);
        QCOMPARE(w->DBMemo1->Text(), QString());
        QCOMPARE(w->DBMemo2->Text(), QString());
        QCOMPARE(w->DBMemo1->toPlainText(), QString());
        // Only the boxes were emptied: the data set still stands on its first row.
        QCOMPARE(w->ADODataSet1->fieldText(S("NUMBER")), S("a01"));
        QVERIFY(w->ADODataSet2->Active());
        QCOMPARE(w->DBMemo5->Text(), S("This is a pen."));
        for (TTimer *timer : {w->Timer1, w->Timer2, w->Timer3}) {
            QVERIFY(!timer->Enabled());
            QCOMPARE(timer->Interval(), 3000);
        }
        QStringList checked;
        for (QAction *action : w->findChildren<QAction *>())
            if (action->isChecked())
                checked << action->objectName();
        checked.sort();
        QCOMPARE(checked, (QStringList{S("N14"), S("N18"), S("N310")}));
        QVERIFY(!w->Image1->isHidden());
        QVERIFY(w->Image2->isHidden());
        QVERIFY(w->Image3->isHidden());
        QVERIFY(!w->TreeView1->isHidden());
        QVERIFY(!w->Button2->isEnabled());
        QVERIFY(w->DBMemo3->isHidden() && w->DBMemo4->isHidden());
        QCOMPARE(w->centralWidget()->size(), QSize(525, 366));
        QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(w.speech->steps,
                 (QStringList{S("createAudioDest"), S("enumModes"), S("loadFirstMode"), S("selectMode")}));
    }

    void designWindowStructure()
    {
        Window w(errors);
        QCOMPARE(w->TreeView1->topLevelItemCount(), 3);
        QCOMPARE(w.node({S("热点听力")})->childCount(), 4);
        QCOMPARE(w.node({S("精读句型")})->childCount(), 5);
        QCOMPARE(w.node({S("热点听力"), S("第三章")})->childCount(), 5);
        QCOMPARE(w.node({S("精读句型"), S("第一册")})->childCount(), 5);
        QCOMPARE(w.node({S("精读句型"), S("第五册")})->childCount(), 6);
        QVERIFY(!w.node({S("热点听力")})->isExpanded());
        QCOMPARE(w->TabSheet1->parentWidget()->parentWidget(), w->PageControl1);
        QCOMPARE(w->PageControl1->tabText(0), S("  听"));
        QCOMPARE(w->PageControl1->tabText(2), S("  练"));
        // Every lesson item exists under its name, with the label's caption and no blanks.
        for (const CatalogueEntry &entry : kCatalogue) {
            QAction *action = w->lessonAction(entry.menuItem);
            QVERIFY2(action, entry.menuItem);
            QCOMPARE(action->text(), entry.menuCaption());
            QVERIFY(!action->isCheckable());
        }
        QCOMPARE(w->findChild<QMenu *>(S("N49"))->actions().size(), 6);
        QCOMPARE(w->N1->actions().indexOf(w->N50), w->N1->actions().indexOf(w->N7) - 1);
        QCOMPARE(w->N8->text(), S("退出"));
    }

    void startsSilentlyWithoutSpeech()
    {
        Window w(errors, [](RecordingSpeechBackend &speech) { speech.failCreateAudioDest = true; });
        QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));
        // The creation handler stopped at its first step: all three pictures show, Image3 in front.
        QVERIFY(!w->Image1->isHidden() && !w->Image2->isHidden() && !w->Image3->isHidden());
        QVERIFY(w->N14->isChecked());
        QCOMPARE(w->DBMemo1->Text(), S("Good morning."));
        QCOMPARE(w->DBMemo2->Text(), S("早上好。"));
        // Speaking then does nothing and says nothing.
        w.clickTree(kListen1a);
        runHandler([&] { w->Timer1Timer(); });
        QVERIFY(w.speech->spoken.isEmpty());
        QCOMPARE(w->DBEdit1->text(), S("a02"));
        QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));
    }

    void speechEnumerationFailureIsShown()
    {
        Window w(errors, [](RecordingSpeechBackend &speech) { speech.failEnumModes = true; });
        QCOMPARE(errors.texts(), QStringList{errorBoxText(w.speech->enumError)});
        QVERIFY(!w->Image3->isHidden());
    }

    void missingLessonFileReportsOncePerDataSet()
    {
        const QString aside = lessonFile + QStringLiteral(".aside");
        QVERIFY(QFile::rename(lessonFile, aside));
        auto restore = qScopeGuard([&] { QFile::rename(aside, lessonFile); });
        Window w(errors);
        QCOMPARE(errors.shown.size(), 3);
        for (const RecordingMessageBoxes::Box &box : errors.shown) {
            QVERIFY2(box.text.contains(S("Daruradazi.mdb")), qPrintable(box.text));
            QCOMPARE(box.caption, S("daro"));
        }
        QVERIFY(!w->ADODataSet1->Active() && !w->ADODataSet2->Active() && !w->ADODataSet3->Active());
        QVERIFY(w->DBMemo5->Text().isEmpty() && w->DBMemo3->Text().isEmpty());

        // A later lesson choice reports again, after switching the timer on.
        w.clickTree(kListen1a);
        QCOMPARE(errors.shown.size(), 4);
        QVERIFY(w->Timer1->Enabled());
        // Ticks on the closed data set report once, then stay quiet; nothing is spoken.
        for (int i = 0; i < 5; ++i)
            runHandler([&] { w->Timer1Timer(); });
        QCOMPARE(errors.shown.size(), 5);
        QVERIFY(w.speech->spoken.isEmpty());
        // A confirmed answer on the closed practice set is judged wrong, reported once and kept.
        w.showPage(w->TabSheet3);
        w->Memo2->setPlainText(S("Good morning."));
        w->Button8->click();
        QCOMPARE(errors.shown.size(), 6);
        QVERIFY(!w->Label3->isHidden());
        QVERIFY(w->Timer2->Enabled());
        QCOMPARE(w->Memo2->Text(), S("Good morning."));
    }

    // A learner's own lesson file in the user data directory is read in place of
    // the installed one, and a data set that failed to open looks the file up again.
    void learnersOwnLessonFile()
    {
        const QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        const QString own = userDir + QStringLiteral("/Daruradazi.mdb");
        const QString system = home.filePath(QStringLiteral("system/daro/Daruradazi.mdb"));
        QVERIFY(QDir().mkpath(userDir) && QDir().mkpath(QFileInfo(system).path()));
        auto cleanUp = qScopeGuard([&] {
            QFile::remove(own);
            QFile::remove(system);
        });
        QFile damaged(own);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("not a lesson file");
        damaged.close();
        Window w(errors);
        QCOMPARE(errors.shown.size(), 3);
        // The damaged file goes; the next lesson choice finds the system's copy.
        QVERIFY(QFile::remove(own));
        QVERIFY(QFile::copy(lessonFile, system));
        w.clickTree(kListen1a);
        QCOMPARE(errors.shown.size(), 3);
        QCOMPARE(w->DBMemo1->Text(), S("Good morning."));
        QCOMPARE(w->ADODataSet1->connection().fileName(), system);

        // A good file of the learner's own comes before the system's and the installed one.
        QVERIFY(QFile::copy(lessonFile, own));
        RecordingMessageBoxes quiet;
        Window again(quiet);
        QVERIFY(quiet.shown.isEmpty());
        for (TADODataSet *dataSet : {again->ADODataSet1, again->ADODataSet2, again->ADODataSet3})
            QCOMPARE(dataSet->connection().fileName(), own);
    }

    void lessonFileIsNeverWritten()
    {
        const QByteArray before = fileDigest(lessonFile);
        const QDateTime modified = QFileInfo(lessonFile).lastModified();
        {
            Window w(errors);
            w.clickTree(kListen1a);
            for (int i = 0; i < 4; ++i)
                w->Timer1Timer();
            w->DBMemo1->setFocus();
            QTest::keyClicks(w->DBMemo1, S("typed"));
            QCOMPARE(w->DBMemo1->Text(), S("Fine, thank you."));
            w.chooseMenu("unit63");
            w->Timer3Timer();
        }
        QCOMPARE(fileDigest(lessonFile), before);
        QCOMPARE(QFileInfo(lessonFile).lastModified(), modified);
    }

    // ---- Catalogue

    void choiceByPageTreeAndMenu_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("listeningEntry");
        QTest::addColumn<bool>("byMenu");
        // Expected: boxes pair shown (365/900/unchanged), timers, data sets that got the lesson.
        QTest::addColumn<QString>("boxes");
        QTest::addColumn<QString>("timers");
        QTest::addColumn<QString>("opened");
        // Every timer runs before the choice; "timers" lists those running after it.
        QTest::newRow("listen, listening, tree") << 0 << true << false << S("365") << S("12") << S("1");
        QTest::newRow("listen, listening, menu") << 0 << true << true << S("365") << S("12") << S("12");
        QTest::newRow("practice, listening, tree") << 2 << true << false << S("-") << S("123") << S("2");
        QTest::newRow("practice, listening, menu") << 2 << true << true << S("365") << S("2") << S("12");
        QTest::newRow("read, listening, tree") << 1 << true << false << S("-") << S("123") << S("");
        QTest::newRow("read, listening, menu") << 1 << true << true << S("365") << S("2") << S("12");
        QTest::newRow("listen, patterns, tree") << 0 << false << false << S("900") << S("23") << S("3");
        QTest::newRow("listen, patterns, menu") << 0 << false << true << S("900") << S("23") << S("3");
        QTest::newRow("practice, patterns, tree") << 2 << false << false << S("900") << S("13") << S("");
        QTest::newRow("practice, patterns, menu") << 2 << false << true << S("900") << S("2") << S("3");
        QTest::newRow("read, patterns, tree") << 1 << false << false << S("900") << S("123") << S("");
        QTest::newRow("read, patterns, menu") << 1 << false << true << S("900") << S("2") << S("3");
    }
    void choiceByPageTreeAndMenu()
    {
        QFETCH(int, page);
        QFETCH(bool, listeningEntry);
        QFETCH(bool, byMenu);
        QFETCH(QString, boxes);
        QFETCH(QString, timers);
        QFETCH(QString, opened);
        Window w(errors);
        // A known state before the choice: every timer on, the 900 pair shown, data sets moved on.
        w->DBMemo1->hide();
        w->DBMemo2->hide();
        w->DBMemo5->show();
        w->DBMemo6->show();
        if (boxes == S("900")) {
            w->DBMemo1->show();
            w->DBMemo5->hide();
        }
        for (TADODataSet *dataSet : {w->ADODataSet1, w->ADODataSet2, w->ADODataSet3})
            dataSet->Next();
        w.showPage(page == 0   ? static_cast<QWidget *>(w->TabSheet1)
                   : page == 1 ? w->TabSheet2
                               : w->TabSheet3);
        for (TTimer *timer : {w->Timer1, w->Timer2, w->Timer3})
            timer->setEnabled(true);
        if (byMenu)
            w.chooseMenu(listeningEntry ? "N27" : "unit12");
        else
            w.clickTree(listeningEntry ? kListen1b : kBook2Unit1);
        QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));

        if (boxes == S("365")) {
            QVERIFY(!w->DBMemo1->isHidden() && !w->DBMemo2->isHidden());
            QVERIFY(w->DBMemo5->isHidden() && w->DBMemo6->isHidden());
        } else if (boxes == S("900")) {
            QVERIFY(w->DBMemo1->isHidden() && w->DBMemo2->isHidden());
            QVERIFY(!w->DBMemo5->isHidden() && !w->DBMemo6->isHidden());
        } else {
            QVERIFY(w->DBMemo1->isHidden() && !w->DBMemo5->isHidden());
        }
        QCOMPARE(w->Timer1->Enabled(), timers.contains(QLatin1Char('1')));
        QCOMPARE(w->Timer2->Enabled(), timers.contains(QLatin1Char('2')));
        QCOMPARE(w->Timer3->Enabled(), timers.contains(QLatin1Char('3')));

        QCOMPARE(w->ADODataSet1->fieldText(S("NUMBER")),
                 opened.contains(QLatin1Char('1')) ? S("b01") : S("a02"));
        QCOMPARE(w->ADODataSet2->fieldText(S("NUMBER")),
                 opened.contains(QLatin1Char('2')) ? S("b01") : S("a02"));
        QCOMPARE(w->ADODataSet3->fieldText(S("NUMBER")),
                 opened.contains(QLatin1Char('3')) ? S("0f01") : S("0a02"));
    }

    void firstBookLeavesPracticeBoxesAlone()
    {
        Window w(errors);
        w.showPage(w->TabSheet3);
        w->Button6->click();
        w->Button7->click();
        w.clickTree(kBook1Unit1);
        QVERIFY(!w->DBMemo3->isHidden() && !w->DBMemo4->isHidden());
        w.clickTree(kBook2Unit1);
        QVERIFY(w->DBMemo3->isHidden() && w->DBMemo4->isHidden());
        // The reveal buttons keep their captions; the next click hides again, the one after shows.
        QCOMPARE(w->Button7->text(), S("关闭结果"));
        w->Button7->click();
        QVERIFY(w->DBMemo3->isHidden());
        QCOMPARE(w->Button7->text(), S("查看结果"));
        w->Button7->click();
        QVERIFY(!w->DBMemo3->isHidden());
    }

    void trailingBlanksTellChaptersApart()
    {
        Window w(errors);
        w.clickTree(kListen2a);
        QCOMPARE(w->DBEdit1->text(), S("e01"));
        QCOMPARE(w->DBMemo1->Text(), S("A table for two, please."));
        w.clickTree(kListen1a);
        QCOMPARE(w->DBEdit1->text(), S("a01"));
    }

    void lastUnitAndClassicSentencesDiffer()
    {
        Window w(errors);
        w.clickTree(kBook5Unit6);
        QCOMPARE(w->DBEdit2->text(), S("ab01"));
        w.clickTree(kClassic);
        QCOMPARE(w->DBEdit2->text(), S("ac01"));
        w.chooseMenu("unit63");
        QCOMPARE(w->DBEdit2->text(), S("ab01"));
        w.chooseMenu("N50");
        QCOMPARE(w->DBEdit2->text(), S("ac01"));
        // Key "a" also takes the rows of the longer keys, after its own.
        w.chooseMenu("unit11");
        QStringList numbers{w->DBEdit2->text()};
        for (int i = 0; i < 6; ++i) {
            w->ADODataSet3->Next();
            numbers << w->DBEdit2->text();
        }
        QCOMPARE(numbers,
                 (QStringList{S("0a01"), S("0a02"), S("ab01"), S("ab02"), S("ac01"), S("ac02"), S("ac02")}));
    }

    void capitalIKeySelectsItsRows()
    {
        Window w(errors);
        w.chooseMenu("N34");
        QCOMPARE(w->DBEdit1->text(), S("I01"));
        QCOMPARE(w->ADODataSet1->RecordCount(), 2);
    }

    void courseChapterAndBookNodesOnlyFocus()
    {
        Window w(errors);
        w.clickTree(kListen1a);
        w->ADODataSet1->Next();
        for (const QStringList &path : {QStringList{S("热点听力")}, QStringList{S("热点听力"), S("第一章")},
                                        QStringList{S("精读句型"), S("第三册")}}) {
            w.clickTree(path);
            QCOMPARE(w->DBEdit1->text(), S("a02"));
            QVERIFY(w->Timer1->Enabled() && !w->Timer3->Enabled());
            QVERIFY(!w->DBMemo1->isHidden());
        }
        w->TreeView1->setCurrentItem(nullptr);
        w->TreeView1->clearSelection();
        runHandler([&] { w->TreeView1Click(); });
        QCOMPARE(w->DBEdit1->text(), S("a02"));
        QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));
    }

    void realMouseClickOnTheTreeChoosesTheLesson()
    {
        Window w(errors);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.fm.get()));
        QTreeWidgetItem *item = w.node(kListen1b);
        w->TreeView1->expandItem(item->parent()->parent());
        w->TreeView1->expandItem(item->parent());
        const QRect rect = w->TreeView1->visualItemRect(item);
        QTest::mouseClick(w->TreeView1->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(w->DBEdit1->text(), S("b01"));
        QVERIFY(w->Timer1->Enabled());
        QCOMPARE(QApplication::focusWidget(), w->TreeView1);
    }

    void tabWalksThroughThePageAndTheTree_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("walk");
        const QString tabs = S("qt_tabwidget_tabbar");
        QTest::newRow("read") << 1 << QStringList{S("Memo1"),     S("Button1"), S("Button3"), S("Button4"),
                                                  S("TreeView1"), tabs,         S("Memo1")};
        QTest::newRow("practice, answer shown")
            << 2 << QStringList{S("Button6"), S("Button7"),   S("DBMemo3"), S("Button8"),
                                S("Memo2"),   S("TreeView1"), tabs};
    }
    void tabWalksThroughThePageAndTheTree()
    {
        QFETCH(int, page);
        QFETCH(QStringList, walk);
        Window w(errors);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.fm.get()));
        w.showPage(page == 1 ? static_cast<QWidget *>(w->TabSheet2) : w->TabSheet3);
        if (page == 2)
            w->Button7->click();
        w->PageControl1->setFocus();
        QStringList walked;
        for (int i = 0; i < walk.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(walked, walk);
    }

    void reopeningALessonStartsAtItsFirstRow()
    {
        Window w(errors);
        w.clickTree(kListen1a);
        w->Timer1Timer();
        w->Timer1Timer();
        QCOMPARE(w->DBEdit1->text(), S("a03"));
        w.clickTree(kListen1a);
        QCOMPARE(w->DBEdit1->text(), S("a01"));
    }

    void pageChangeStopsListeningAndReturnDoesNotResume()
    {
        Window w(errors);
        w.clickTree(kListen1a);
        w->Timer1Timer();
        w->Timer2->setEnabled(true);
        w.showPage(w->TabSheet2);
        QVERIFY(!w->Timer1->Enabled() && !w->Timer3->Enabled());
        QVERIFY(w->Timer2->Enabled());
        w.showPage(w->TabSheet1);
        QVERIFY(!w->Timer1->Enabled());
        QCOMPARE(w->DBEdit1->text(), S("a02"));
    }

    // ---- Listening

    void firstRowShownSecondSpokenAtTheTick()
    {
        Window w(errors);
        w.clickTree(kListen1a);
        QCOMPARE(w->DBMemo1->Text(), S("Good morning."));
        QCOMPARE(w->DBMemo2->Text(), S("早上好。"));
        QVERIFY(w.speech->spoken.isEmpty());
        w->Timer1Timer();
        QCOMPARE(w->DBMemo1->Text(), S("How are you?"));
        QCOMPARE(w.speech->spoken, QStringList{S("How are you?")});
        // At the end every tick speaks the last sentence again.
        w->Timer1Timer();
        w->Timer1Timer();
        w->Timer1Timer();
        QCOMPARE(w.speech->spoken, (QStringList{S("How are you?"), S("Fine, thank you."),
                                                S("Fine, thank you."), S("Fine, thank you.")}));
        QVERIFY(w->Timer1->Enabled());
    }

    void oneRowAndEmptyLessons()
    {
        Window w(errors);
        w.chooseMenu("N43"); // key r: one row
        w->Timer1Timer();
        w->Timer1Timer();
        QCOMPARE(w.speech->spoken, (QStringList{S("See you next week."), S("See you next week.")}));
        w.chooseMenu("N42"); // key q: no rows
        QVERIFY(w->DBMemo1->Text().isEmpty() && w->DBMemo2->Text().isEmpty());
        w->Timer1Timer();
        QCOMPARE(w.speech->spoken.last(), QString());
        QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));
    }

    void tickThroughTheTimerSpeaksThePatternCourse()
    {
        Window w(errors);
        w->N310->trigger();
        w->Timer3->setInterval(1); // fast ticks through the real timer
        w.clickTree(kClassic);
        QTRY_COMPARE_WITH_TIMEOUT(w.speech->spoken.size() >= 1, true, 5000);
        QCOMPARE(w.speech->spoken.first(), S("Time is money."));
        QVERIFY(w.speech->spoken.size() < 2 || w.speech->spoken.at(1) == S("Time is money."));
    }

    void speechFailureDoesNotStopListening()
    {
        Window w(errors);
        w.clickTree(kListen1a);
        w.speech->failSpeak = true;
        runHandler([&] { w->Timer1Timer(); });
        QCOMPARE(w->DBEdit1->text(), S("a02"));
        QVERIFY(w->Timer1->Enabled());
        QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));
    }

    void newLessonOfTheSameCourseKeepsTheRunningPeriod()
    {
        Window w(errors);
        w.clickTree(kListen1a);
        QTest::qWait(300);
        const int left = w->Timer1->remainingTime();
        QVERIFY(left <= 2800);
        w.clickTree(kListen1b);
        QVERIFY(w->Timer1->remainingTime() <= left);
        w.chooseMenu("N26");
        QVERIFY(w->Timer1->remainingTime() <= left);
        // Another course starts its own timer afresh.
        w.clickTree(kClassic);
        QVERIFY(!w->Timer1->Enabled());
        QVERIFY(w->Timer3->remainingTime() > 2800);
    }

    void intervalRestartsOnlyOnARealChange()
    {
        Window w(errors);
        w.clickTree(kListen1a);
        QTest::qWait(300);
        const int left = w->Timer1->remainingTime();
        w->N310->trigger();
        QVERIFY(w->Timer1->remainingTime() <= left);
        w->N45->trigger();
        QVERIFY(w->Timer1->remainingTime() > 3000);
        QCOMPARE(w->Timer3->Interval(), 4000);
        QCOMPARE(w->Timer2->Interval(), 3000);
        QVERIFY(!w->Timer3->Enabled());
        QVERIFY(w->N45->isChecked() && !w->N310->isChecked() && !w->N51->isChecked() && !w->N61->isChecked());
        w->N61->trigger();
        QCOMPARE(w->Timer1->Interval(), 6000);
        QVERIFY(w->N61->isChecked() && !w->N45->isChecked());
        // Choosing the checked item again leaves it checked.
        w->N61->trigger();
        QVERIFY(w->N61->isChecked());
    }

    void displayModes()
    {
        Window w(errors);
        // With no timer running only the check marks change.
        w->N19->trigger();
        QVERIFY(w->N19->isChecked() && !w->N18->isChecked() && !w->N20->isChecked());
        QCOMPARE(w->DBMemo1->y(), 24);
        QVERIFY(!w->DBMemo2->isHidden());

        w->N18->trigger();
        w.clickTree(kListen1a);
        w->N19->trigger();
        QVERIFY(!w->DBMemo1->isHidden() && w->DBMemo2->isHidden());
        QCOMPARE(w->DBMemo1->y(), 60);
        w->N20->trigger();
        QVERIFY(w->DBMemo1->isHidden() && !w->DBMemo2->isHidden());
        QCOMPARE(w->DBMemo2->y(), 60);
        QCOMPARE(w->DBMemo1->y(), 60);
        w->N18->trigger();
        QCOMPARE(w->DBMemo1->y(), 24);
        QCOMPARE(w->DBMemo2->y(), 112);
        QVERIFY(!w->DBMemo1->isHidden() && !w->DBMemo2->isHidden());

        // A new lesson shows both boxes where the display commands left them.
        w->N19->trigger();
        w.clickTree(kListen1b);
        QVERIFY(!w->DBMemo1->isHidden() && !w->DBMemo2->isHidden());
        QCOMPARE(w->DBMemo1->y(), 60);
        QCOMPARE(w->DBMemo2->y(), 112);
        QVERIFY(w->N19->isChecked());
        w->N20->trigger();
        w->N19->trigger();
        w.clickTree(kListen1a);
        QCOMPARE(w->DBMemo1->y(), 60);
        QCOMPARE(w->DBMemo2->y(), 60);
        w->N18->trigger();
        QCOMPARE(w->DBMemo1->y(), 24);
        QCOMPARE(w->DBMemo2->y(), 112);

        // The pattern course moves its own pair.
        w.clickTree(kClassic);
        w->N20->trigger();
        QVERIFY(!w->DBMemo6->isHidden() && w->DBMemo5->isHidden() && w->DBMemo1->isHidden());
        QCOMPARE(w->DBMemo6->y(), 60);
        QCOMPARE(w->DBMemo1->y(), 24);
    }

    void listeningHints()
    {
        Window w(errors);
        QVERIFY(w->DBMemo1->toolTip().isEmpty());
        QTest::mouseMove(w->DBMemo1->viewport(), QPoint(5, 5));
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(w->DBMemo1->viewport(), &move);
        QCOMPARE(w->DBMemo1->toolTip(), S("请选择学习章节"));
        w.clickTree(kListen1a);
        QCoreApplication::sendEvent(w->DBMemo1->viewport(), &move);
        QCOMPARE(w->DBMemo1->toolTip(), S("英文显示"));
        QCoreApplication::sendEvent(w->DBMemo2->viewport(), &move);
        QCOMPARE(w->DBMemo2->toolTip(), S("中文显示"));
        w.showPage(w->TabSheet2);
        w.showPage(w->TabSheet1);
        QCoreApplication::sendEvent(w->DBMemo1->viewport(), &move);
        QCOMPARE(w->DBMemo1->toolTip(), S("请选择学习章节"));
        QVERIFY(w->DBMemo5->toolTip().isEmpty());
    }

    // Every bundled text a memo box can show, laid out by the box itself at its
    // design size in the font the program gives it: each line must lie inside
    // the box, and the box must hold as many lines as 宋体 gives it (宋体's lines
    // are as tall as its characters: four of 19 px in 89 px, two of 14 px in 41).
    // The answer box is checked for its lines only: at 14 px in 41 px the longer
    // listening sentences need three or four lines, in 宋体 as in its substitutes.
    void memoBoxesShowWholeTexts_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("songLines");
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("column"); // 1 English, 2 Chinese, 0 none
        QTest::newRow("listening English") << S("DBMemo1") << 4 << S("Razorud365") << 1;
        QTest::newRow("listening Chinese") << S("DBMemo2") << 4 << S("Razorud365") << 2;
        QTest::newRow("pattern English") << S("DBMemo5") << 4 << S("Durizez900") << 1;
        QTest::newRow("pattern Chinese") << S("DBMemo6") << 4 << S("Durizez900") << 2;
        QTest::newRow("practice answer") << S("DBMemo3") << 2 << QString() << 0;
        QTest::newRow("practice Chinese") << S("DBMemo4") << 2 << S("Razorud365") << 2;
        QTest::newRow("dictation input") << S("Memo2") << 3 << QString() << 0;
        QTest::newRow("read-aloud input") << S("Memo1") << 11 << QString() << 0;
    }
    void memoBoxesShowWholeTexts()
    {
        QFETCH(QString, box);
        QFETCH(int, songLines);
        QFETCH(QString, table);
        QFETCH(int, column);
        Window w(errors);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.fm.get()));
        auto *memo = w->findChild<TMemo *>(box);
        QVERIFY(memo);
        for (QWidget *page : {w->TabSheet1, w->TabSheet2, w->TabSheet3})
            if (page->isAncestorOf(memo))
                w.showPage(page);
        memo->setVisible(true);
        const QString family = QFontInfo(memo->font()).family();
        QVERIFY2(family.contains(S("Ming")) || family.contains(S("Serif CJK")), qPrintable(family));

        const int height = memo->viewport()->height();
        // Where each line of the box's text ends, from the top of its viewport.
        const auto lineBottoms = [memo](const QString &text) {
            memo->setText(text);
            QList<int> bottoms;
            for (QTextBlock block = memo->document()->firstBlock(); block.isValid(); block = block.next()) {
                memo->document()->documentLayout()->blockBoundingRect(block); // lays the block out
                for (int i = 0; i < block.layout()->lineCount(); ++i) {
                    QTextCursor cursor(block);
                    cursor.setPosition(block.position() + block.layout()->lineAt(i).textStart());
                    const QRect line = memo->cursorRect(cursor);
                    bottoms << line.y() + line.height();
                }
            }
            return bottoms;
        };
        const QList<int> lines = lineBottoms(S("Ag永 ").repeated(40 * songLines));
        const auto fitting =
            std::count_if(lines.begin(), lines.end(), [height](int b) { return b <= height; });
        QVERIFY2(
            fitting >= songLines,
            qPrintable(S("%1 lines of %2 fit in %3 (%4 px high)").arg(fitting).arg(family, box).arg(height)));

        if (table.isEmpty())
            return;
        QStringList cut;
        const auto rows = LessonTsv::readFile(qEnvironmentVariable("DARO_SOURCE_DIR") +
                                              S("/resources/lessons/") + table + S(".tsv"));
        QVERIFY(rows.size() > 100);
        for (const LessonTsv::Row &row : rows) {
            const QString text = column == 1 ? row.english : row.chinese;
            const QList<int> bottoms = lineBottoms(text);
            if (bottoms.last() > height)
                cut << S("%1 (%2 lines)").arg(row.number).arg(bottoms.size());
        }
        QVERIFY2(cut.isEmpty(), qPrintable(S("%1 of %2 texts cut in %3 (%4 lines fit): %5")
                                               .arg(cut.size())
                                               .arg(rows.size())
                                               .arg(box)
                                               .arg(fitting)
                                               .arg(cut.mid(0, 8).join(S(", ")))));
    }

    // ---- Dictation

    void dictationVerdicts_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("right");
        QTest::newRow("exact") << S("How are you?") << true;
        QTest::newRow("case") << S("how are you?") << false;
        QTest::newRow("missing mark") << S("How are you") << false;
        QTest::newRow("extra space") << S("How are  you?") << false;
        QTest::newRow("leading space") << S(" How are you?") << false;
        QTest::newRow("trailing line break") << S("How are you?\n") << false;
    }
    void dictationVerdicts()
    {
        QFETCH(QString, answer);
        QFETCH(bool, right);
        Window w(errors);
        w.showPage(w->TabSheet3);
        w.clickTree(kListen1a);
        w->ADODataSet2->Next(); // the sentence now current: "How are you?"
        w->Memo2->setPlainText(answer);
        w->Button8->click();
        QCOMPARE(!w->Label2->isHidden(), right);
        QCOMPARE(!w->Image9->isHidden(), right);
        QCOMPARE(!w->Label3->isHidden(), !right);
        QCOMPARE(!w->Image10->isHidden(), !right);
        QCOMPARE(w->Label2->text(), S("恭喜你，答对了！"));
        QCOMPARE(w->Label3->text(), S("很抱歉，答错了！"));
        QVERIFY(w->Memo2->Text().isEmpty());
        QCOMPARE(w->ADODataSet2->fieldText(S("NUMBER")), S("a03"));
        QVERIFY(w->Timer2->Enabled());
        QVERIFY(w.messages->shown.isEmpty());
    }

    void emptyAnswerOnlyAsks()
    {
        Window w(errors);
        w.showPage(w->TabSheet3);
        w.chooseMenu("N26");
        w->Memo2->setPlainText(S("wrong"));
        w->Button8->click();
        QVERIFY(!w->Label3->isHidden());
        w->Timer2->setEnabled(false);
        w->Button8->click();
        QCOMPARE(w.messages->shown.size(), 1);
        QCOMPARE(w.messages->shown[0].text, S("请输入听到的内容"));
        QCOMPARE(w.messages->shown[0].caption, S("daro"));
        QCOMPARE(w.messages->shown[0].icon, MessageBoxes::Icon::None);
        QVERIFY(w->Label2->isHidden() && w->Label3->isHidden() && w->Image9->isHidden() &&
                w->Image10->isHidden());
        QCOMPARE(w->ADODataSet2->fieldText(S("NUMBER")), S("a02"));
        QVERIFY(!w->Timer2->Enabled());
        QVERIFY(w.speech->spoken.isEmpty());
    }

    void ticksInsideTheMessageLeaveAConsistentState()
    {
        Window w(errors);
        w.clickTree(kListen1a);
        w.showPage(w->TabSheet3);
        w.clickTree(kListen1b);
        w.showPage(w->TabSheet1);
        w.clickTree(kListen1a);
        w.showPage(w->TabSheet3); // listening stopped; the practice sentence waits in Timer2
        w->Timer1->setEnabled(true);
        // While the box is open, listening and practice ticks arrive.
        w.messages->whileOpen = [&] {
            w->Timer1->timeout();
            w->Timer2->timeout();
        };
        w->Button8->click();
        QCOMPARE(w.speech->spoken, (QStringList{S("How are you?"), S("What time is it?")}));
        QVERIFY(!w->Timer2->Enabled());
        QCOMPARE(w->ADODataSet2->fieldText(S("NUMBER")), S("b01"));
        QVERIFY(w->Memo2->Text().isEmpty());
        QVERIFY(w->Label2->isHidden() && w->Label3->isHidden());
        QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));
    }

    void twoConfirmationsSpeakOnlyTheSentenceAtTheTick()
    {
        Window w(errors);
        w.showPage(w->TabSheet3);
        w.chooseMenu("N26"); // the menu opens the lesson without arming Timer2
        QVERIFY(!w->Timer2->Enabled());
        w->Memo2->setPlainText(S("Good morning."));
        w->Button8->click();
        QVERIFY(!w->Label2->isHidden());
        QVERIFY(w->Timer2->Enabled());
        QTest::qWait(300);
        const int left = w->Timer2->remainingTime();
        w->Memo2->setPlainText(S("x"));
        w->Button8->click();
        QVERIFY(w->Timer2->remainingTime() <= left);
        QCOMPARE(w->ADODataSet2->fieldText(S("NUMBER")), S("a03"));
        w->Timer2->timeout();
        QCOMPARE(w.speech->spoken, QStringList{S("Fine, thank you.")});
        QVERIFY(!w->Timer2->Enabled());
    }

    void pendingSentenceIsSpokenAfterLeavingThePage()
    {
        Window w(errors);
        w.showPage(w->TabSheet3);
        w.clickTree(kListen2a);
        QVERIFY(w->Timer2->Enabled());
        w.showPage(w->TabSheet1);
        QVERIFY(w->Timer2->Enabled());
        w->Timer2->timeout();
        QCOMPARE(w.speech->spoken, QStringList{S("A table for two, please.")});
        QVERIFY(!w->Timer2->Enabled());
    }

    void practiceTimerStaysArmedWhenSpeechFails()
    {
        Window w(errors);
        w.showPage(w->TabSheet3);
        w.clickTree(kListen1a);
        w.speech->failSpeak = true;
        w->Timer2->timeout();
        QVERIFY(w->Timer2->Enabled());
        w.speech->failSpeak = false;
        w->Timer2->timeout();
        QCOMPARE(w.speech->spoken, QStringList{S("Good morning.")});
        QVERIFY(!w->Timer2->Enabled());
        QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));
    }

    void revealTogglesByCaption()
    {
        Window w(errors);
        w.showPage(w->TabSheet3);
        const QStringList expected{S("关闭结果"), S("查看结果"), S("关闭结果")};
        for (int i = 0; i < 3; ++i) {
            w->Button7->click();
            QCOMPARE(w->Button7->text(), expected[i]);
            QCOMPARE(w->DBMemo3->isHidden(), i == 1);
        }
        w->Button6->click();
        QCOMPARE(w->Button6->text(), S("隐藏中文"));
        QVERIFY(!w->DBMemo4->isHidden());
        // A revealed answer follows the data set at once.
        w.clickTree(kListen1a);
        QCOMPARE(w->DBMemo3->Text(), S("Good morning."));
        w->Memo2->setPlainText(S("Good morning."));
        w->Button8->click();
        QCOMPARE(w->DBMemo3->Text(), S("How are you?"));
        QCOMPARE(w->DBMemo4->Text(), S("你好吗？"));
    }

    void practiceHints()
    {
        Window w(errors);
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), QPointF(3, 3), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(w->DBMemo3->viewport(), &move);
        QCoreApplication::sendEvent(w->DBMemo4->viewport(), &move);
        QCoreApplication::sendEvent(w->Memo2->viewport(), &move);
        QCoreApplication::sendEvent(w->Memo1->viewport(), &move);
        QCOMPARE(w->DBMemo3->toolTip(), S("显示结果"));
        QCOMPARE(w->DBMemo4->toolTip(), S("显示中文"));
        QCOMPARE(w->Memo2->toolTip(), S("输入听到单词或语句！"));
        QCOMPARE(w->Memo1->toolTip(), S("输入英文内容"));
    }

    // ---- Chrome

    void skins_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("shown");
        QTest::newRow("traditional") << S("N14") << 1;
        QTest::newRow("sky blue") << S("N15") << 2;
        QTest::newRow("elegant") << S("N16") << 3;
    }
    void skins()
    {
        QFETCH(QString, item);
        QFETCH(int, shown);
        Window w(errors);
        for (const char *first : {"N15", "N16", "N14"}) {
            w->findChild<QAction *>(S(first))->trigger();
            for (int repeat = 0; repeat < 2; ++repeat) {
                w->findChild<QAction *>(item)->trigger();
                const QList<TImage *> images{w->Image1, w->Image2, w->Image3};
                const QList<QAction *> items{w->N14, w->N15, w->N16};
                for (int i = 0; i < 3; ++i) {
                    QCOMPARE(!images[i]->isHidden(), i + 1 == shown);
                    QCOMPARE(items[i]->isChecked(), i + 1 == shown);
                }
            }
        }
    }

    void toolbarHintsAppearOnlyAfterAMove()
    {
        Window w(errors);
        const QList<std::pair<TImage *, QString>> pictures{{w->Image5, S("软件首页")},
                                                           {w->Image6, S("联系我们")},
                                                           {w->Image7, S("关于daro")},
                                                           {w->Image8, S("退出")}};
        for (const auto &[image, hint] : pictures) {
            QVERIFY(image->toolTip().isEmpty());
            QCOMPARE(image->cursor().shape(), Qt::PointingHandCursor);
            QTest::mouseMove(image, QPoint(4, 4));
            QMouseEvent move(QEvent::MouseMove, QPointF(4, 4), QPointF(4, 4), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QCoreApplication::sendEvent(image, &move);
            QCOMPARE(image->toolTip(), hint);
        }
        QCOMPARE(w->Label6->text(), S(" 每天一刻钟 英语变轻松 "));
    }

    void linksOpenTheSameAddressFromMenuAndToolbar()
    {
        Window w(errors);
        w->N11->trigger();
        QTest::mouseClick(w->Image5, Qt::LeftButton);
        w->N12->trigger();
        QTest::mouseClick(w->Image6, Qt::LeftButton);
        QCOMPARE(w.links->opened.size(), 4);
        QCOMPARE(w.links->opened[0], w.links->opened[1]);
        QCOMPARE(w.links->opened[2], w.links->opened[3]);
        QCOMPARE(w.links->opened[0].scheme(), S("https"));
        QCOMPARE(w.links->opened[2].scheme(), S("mailto"));
        QCOMPARE(w.links->opened[2].path(), QString::fromLatin1(kSupportMail));
    }

    void linkFailureChangesNothing()
    {
        Window w(errors);
        w.links->accept = false;
        w.clickTree(kListen1a);
        w->N11->trigger();
        w->N12->trigger();
        QVERIFY(errors.shown.isEmpty() && w.messages->shown.isEmpty());
        QVERIFY(w->Timer1->Enabled());
        QCOMPARE(w->DBEdit1->text(), S("a01"));
    }

    void helpDialogOpensAtItsOnlyPageAndClosesLikeItsButton()
    {
        Window w(errors);
        TForm1 help;
        TForm3 about;
        w->setDialogs(&help, &about);
        QCOMPARE(help.PageControl1->count(), 1);
        QCOMPARE(help.PageControl1->tabText(0), S("安装说明"));
        QCOMPARE(help.Memo2->toPlainText().split(QLatin1Char('\n')).size(), 6);
        QCOMPARE(help.Memo2->toPlainText().split(QLatin1Char('\n')).at(1), QString());
        // A lesson keeps ticking behind the modal dialog.
        w.clickTree(kListen1a);
        w->Timer1->setInterval(1);
        bool wasModal = false;
        QTimer::singleShot(200, &help, [&] {
            wasModal = help.isVisible() && help.isModal();
            QCloseEvent close;
            QCoreApplication::sendEvent(&help, &close); // the title bar's close button
        });
        w->N44->trigger();
        QVERIFY(wasModal);
        QVERIFY(help.isHidden());
        QVERIFY(!w.speech->spoken.isEmpty());
        QTimer::singleShot(50, &help, [&] { help.Button1->click(); });
        w->N44->trigger();
        QVERIFY(help.isHidden());
    }

    void aboutDialogFromMenuAndPicture()
    {
        Window w(errors);
        TForm1 help;
        TForm3 about;
        w->setDialogs(&help, &about);
        QCOMPARE(about.Label4->text(), QString::fromLatin1(kHomePage));
        QVERIFY(!about.Image1->pixmap().isNull());
        int shown = 0;
        QTimer::singleShot(50, &about, [&] {
            shown += about.isVisible();
            about.Button1->click();
        });
        w->N13->trigger();
        QTimer::singleShot(50, &about, [&] {
            shown += about.isVisible();
            QCloseEvent close;
            QCoreApplication::sendEvent(&about, &close);
        });
        QTest::mouseClick(w->Image7, Qt::LeftButton);
        QCOMPARE(shown, 2);
        QVERIFY(about.isHidden());
    }

    void closingByMenuOrPictureEndsAtOnce()
    {
        for (int way = 0; way < 2; ++way) {
            Window w(errors);
            w->show();
            w.clickTree(kListen1a);
            if (way == 0)
                w->N8->trigger();
            else
                QTest::mouseClick(w->Image8, Qt::LeftButton);
            QVERIFY(w->isHidden());
            QVERIFY(w.messages->shown.isEmpty());
        }
    }

private:
    QTemporaryDir home;
    RecordingMessageBoxes errors;
    QString lessonFile;
};

QTEST_MAIN(TestFmMain)
#include "tst_fmmain.moc"
