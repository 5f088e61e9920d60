// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven headless over a small lesson file: start-up, lesson
// choice from tree and menu. The study pages and the window chrome have tests
// of their own.
#include "fmmainfixture.h"

#include "base/errors.h"
#include "base/ttimer.h"
#include "lessons/catalogue.h"
#include "lessons/lessonchoice.h"
#include "lessons/lessonconnection.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

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
        QVERIFY(home.isValid());
        lessonFile = prepareWindowTests(home);
        QVERIFY2(QFileInfo::exists(lessonFile), qPrintable(lessonFile));
    }
    void init() { errors = RecordingMessageBoxes(); }

    // ---- Start-up

    void startsInTheDesignState()
    {
        Window w(errors);
        QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));
        QCOMPARE(w->windowTitle(), S("daro"));
        QCOMPARE(w.PageControl1->currentWidget(), w.TabSheet1);
        QCOMPARE(w.DBMemo1->Text(), QString());
        QCOMPARE(w.DBMemo2->Text(), QString());
        QCOMPARE(w.DBMemo1->toPlainText(), QString());
        // Only the boxes were emptied: the data set still stands on its first row.
        QCOMPARE(w->ADODataSet1->fieldText(S("NUMBER")), S("a01"));
        QVERIFY(w->ADODataSet2->Active());
        QCOMPARE(w.DBMemo5->Text(), S("This is a pen."));
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
        QVERIFY(!w.Image1->isHidden());
        QVERIFY(w.Image2->isHidden());
        QVERIFY(w.Image3->isHidden());
        QVERIFY(!w.TreeView1->isHidden());
        QVERIFY(!w.Button2->isEnabled());
        QVERIFY(w.DBMemo3->isHidden() && w.DBMemo4->isHidden());
        QCOMPARE(w->centralWidget()->size(), QSize(525, 366));
        QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(w.speech->steps,
                 (QStringList{S("createAudioDest"), S("enumModes"), S("loadFirstMode"), S("selectMode")}));
    }

    void designWindowStructure()
    {
        Window w(errors);
        QCOMPARE(w.TreeView1->topLevelItemCount(), 3);
        QCOMPARE(w.node({S("热点听力")})->childCount(), 4);
        QCOMPARE(w.node({S("精读句型")})->childCount(), 5);
        QCOMPARE(w.node({S("热点听力"), S("第三章")})->childCount(), 5);
        QCOMPARE(w.node({S("精读句型"), S("第一册")})->childCount(), 5);
        QCOMPARE(w.node({S("精读句型"), S("第五册")})->childCount(), 6);
        QVERIFY(!w.node({S("热点听力")})->isExpanded());
        QCOMPARE(w.TabSheet1->parentWidget()->parentWidget(), w.PageControl1);
        QCOMPARE(w.PageControl1->tabText(0), S("  听"));
        QCOMPARE(w.PageControl1->tabText(2), S("  练"));
        // Every lesson item exists under its name, with the label's caption and no blanks.
        for (const CatalogueEntry &entry : kCatalogue) {
            QAction *action = w->lessonAction(entry.menuItem);
            QVERIFY2(action, entry.menuItem);
            QCOMPARE(action->text(), entry.menuCaption());
            QVERIFY(!action->isCheckable());
        }
        QCOMPARE(w->findChild<QMenu *>(S("N49"))->actions().size(), 6);
        QCOMPARE(w.N1->actions().indexOf(w.N50), w.N1->actions().indexOf(w.N7) - 1);
        QCOMPARE(w.N8->text(), S("退出"));
    }

    void startsSilentlyWithoutSpeech()
    {
        Window w(errors, [](RecordingSpeechBackend &speech) { speech.failCreateAudioDest = true; });
        QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));
        // The creation handler stopped at its first step: all three pictures show, Image3 in front.
        QVERIFY(!w.Image1->isHidden() && !w.Image2->isHidden() && !w.Image3->isHidden());
        QVERIFY(w.N14->isChecked());
        QCOMPARE(w.DBMemo1->Text(), S("Good morning."));
        QCOMPARE(w.DBMemo2->Text(), S("早上好。"));
        // Speaking then does nothing and says nothing.
        w.clickTree(kListen1a);
        w.errorBox.run([&] { w->Timer1Timer(); });
        QVERIFY(w.speech->spoken.isEmpty());
        QCOMPARE(w.DBEdit1->text(), S("a02"));
        QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));
    }

    void speechEnumerationFailureIsShown()
    {
        Window w(errors, [](RecordingSpeechBackend &speech) { speech.failEnumModes = true; });
        QCOMPARE(errors.texts(), QStringList{errorBoxText(w.speech->enumError)});
        QVERIFY(!w.Image3->isHidden());
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
        QVERIFY(w.DBMemo5->Text().isEmpty() && w.DBMemo3->Text().isEmpty());

        // A later lesson choice reports again, after switching the timer on;
        // ticks that land while its box is open cannot show their own error.
        errors.whileOpen = [&] {
            for (int i = 0; i < 3; ++i)
                w.errorBox.run([&] { w->Timer1Timer(); });
        };
        w.clickTree(kListen1a);
        QCOMPARE(errors.shown.size(), 4);
        QVERIFY(w->Timer1->Enabled());
        // Ticks on the closed data set report once, then stay quiet; nothing is spoken.
        for (int i = 0; i < 5; ++i)
            w.errorBox.run([&] { w->Timer1Timer(); });
        QCOMPARE(errors.shown.size(), 5);
        QVERIFY(w.speech->spoken.isEmpty());
        // A confirmed answer on the closed practice set is judged wrong, reported once and kept.
        w.showPage(w.TabSheet3);
        w.Memo2->setPlainText(S("Good morning."));
        w.Button8->click();
        QCOMPARE(errors.shown.size(), 6);
        QVERIFY(!w.Label3->isHidden());
        QVERIFY(w->Timer2->Enabled());
        QCOMPARE(w.Memo2->Text(), S("Good morning."));
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
        QCOMPARE(w.DBMemo1->Text(), S("Good morning."));
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
            w.DBMemo1->setFocus();
            QTest::keyClicks(w.DBMemo1, S("typed"));
            QCOMPARE(w.DBMemo1->Text(), S("Fine, thank you."));
            w.chooseMenu("unit63");
            w->Timer3Timer();
        }
        QCOMPARE(fileDigest(lessonFile), before);
        QCOMPARE(QFileInfo(lessonFile).lastModified(), modified);
    }

    // ---- Catalogue

    // The tree and menu handlers do what the lesson choice says, to every box,
    // timer and data set it names, and nothing else. Each case runs from every
    // timer on and from every timer off, so that a timer the choice leaves alone
    // is told apart from one it switches.
    void handlersApplyTheLessonChoice_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<QString>("item");
        for (int page = 0; page < 3; ++page)
            for (bool byMenu : {false, true})
                for (const char *item : {"N27", "unit21", "unit12"})
                    QTest::addRow("page %d, %s, %s", page + 1, byMenu ? "menu" : "tree", item)
                        << page << byMenu << S(item);
    }
    void handlersApplyTheLessonChoice()
    {
        QFETCH(int, page);
        QFETCH(bool, byMenu);
        QFETCH(QString, item);
        const CatalogueEntry &entry = *std::find_if(kCatalogue.begin(), kCatalogue.end(), [&](const auto &e) {
            return QLatin1String(e.menuItem) == item;
        });
        const StudyPage pages[] = {StudyPage::Listen, StudyPage::Read, StudyPage::Practice};
        const LessonChoice choice =
            chooseLesson(pages[page], byMenu ? ChosenIn::Menu : ChosenIn::Tree, entry);
        Window w(errors);
        w.showPage(QList<QWidget *>{w.TabSheet1, w.TabSheet2, w.TabSheet3}.at(page));
        const QList<TADODataSet *> dataSets{w->ADODataSet1, w->ADODataSet2, w->ADODataSet3};
        const QList<TTimer *> timers{w->Timer1, w->Timer2, w->Timer3};
        for (bool running : {true, false}) {
            // Neither pair whole, the practice boxes shown, every data set moved on.
            w.DBMemo1->show();
            w.DBMemo2->hide();
            w.DBMemo5->show();
            w.DBMemo6->hide();
            w.DBMemo3->show();
            w.DBMemo4->show();
            QStringList before;
            for (TADODataSet *dataSet : dataSets) {
                dataSet->Next();
                before << dataSet->fieldText(S("NUMBER"));
            }
            for (TTimer *timer : timers)
                timer->setEnabled(running);

            if (byMenu)
                w.chooseMenu(entry.menuItem);
            else
                w.clickTree(
                    {QString::fromUtf16(entry.course), QString::fromUtf16(entry.chapter), entry.labelText()});
            QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));

            const bool listening = choice.boxes == ListenBoxes::Listening;
            const bool patterns = choice.boxes == ListenBoxes::Patterns;
            QCOMPARE(!w.DBMemo1->isHidden(), !patterns);
            QCOMPARE(!w.DBMemo2->isHidden(), listening);
            QCOMPARE(!w.DBMemo5->isHidden(), !listening);
            QCOMPARE(!w.DBMemo6->isHidden(), patterns);
            QCOMPARE(w.DBMemo3->isHidden(), choice.hidePracticeBoxes);
            QCOMPARE(w.DBMemo4->isHidden(), choice.hidePracticeBoxes);
            const TimerSwitch switches[] = {choice.timer1, choice.timer2, choice.timer3};
            const bool opens[] = {choice.openOn1, choice.openOn2, choice.openOn3};
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(timers[i]->Enabled(),
                         switches[i] == TimerSwitch::Keep ? running : switches[i] == TimerSwitch::On);
                const QString number = dataSets[i]->fieldText(S("NUMBER"));
                if (opens[i])
                    QVERIFY2(dataSets[i]->RecNo() == 1 && number.contains(choice.key), qPrintable(number));
                else
                    QCOMPARE(number, before[i]);
            }
        }
    }

    void firstBookLeavesPracticeBoxesAlone()
    {
        Window w(errors);
        w.showPage(w.TabSheet3);
        w.Button6->click();
        w.Button7->click();
        w.clickTree(kBook1Unit1);
        QVERIFY(!w.DBMemo3->isHidden() && !w.DBMemo4->isHidden());
        w.clickTree(kBook2Unit1);
        QVERIFY(w.DBMemo3->isHidden() && w.DBMemo4->isHidden());
        // The reveal buttons keep their captions; the next click hides again, the one after shows.
        QCOMPARE(w.Button7->text(), S("关闭结果"));
        w.Button7->click();
        QVERIFY(w.DBMemo3->isHidden());
        QCOMPARE(w.Button7->text(), S("查看结果"));
        w.Button7->click();
        QVERIFY(!w.DBMemo3->isHidden());
    }

    void trailingBlanksTellChaptersApart()
    {
        Window w(errors);
        w.clickTree(kListen2a);
        QCOMPARE(w.DBEdit1->text(), S("e01"));
        QCOMPARE(w.DBMemo1->Text(), S("A table for two, please."));
        w.clickTree(kListen1a);
        QCOMPARE(w.DBEdit1->text(), S("a01"));
    }

    void lastUnitAndClassicSentencesDiffer()
    {
        Window w(errors);
        w.clickTree(kBook5Unit6);
        QCOMPARE(w.DBEdit2->text(), S("ab01"));
        w.clickTree(kClassic);
        QCOMPARE(w.DBEdit2->text(), S("ac01"));
        w.chooseMenu("unit63");
        QCOMPARE(w.DBEdit2->text(), S("ab01"));
        w.chooseMenu("N50");
        QCOMPARE(w.DBEdit2->text(), S("ac01"));
        // Key "a" also takes the rows of the longer keys, after its own.
        w.chooseMenu("unit11");
        QStringList numbers{w.DBEdit2->text()};
        for (int i = 0; i < 6; ++i) {
            w->ADODataSet3->Next();
            numbers << w.DBEdit2->text();
        }
        QCOMPARE(numbers,
                 (QStringList{S("0a01"), S("0a02"), S("ab01"), S("ab02"), S("ac01"), S("ac02"), S("ac02")}));
    }

    void capitalIKeySelectsItsRows()
    {
        Window w(errors);
        w.chooseMenu("N34");
        QCOMPARE(w.DBEdit1->text(), S("I01"));
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
            QCOMPARE(w.DBEdit1->text(), S("a02"));
            QVERIFY(w->Timer1->Enabled() && !w->Timer3->Enabled());
            QVERIFY(!w.DBMemo1->isHidden());
        }
        w.TreeView1->setCurrentItem(nullptr);
        w.TreeView1->clearSelection();
        w.errorBox.run([&] { w->TreeView1Click(); });
        QCOMPARE(w.DBEdit1->text(), S("a02"));
        QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));
    }

    void realMouseClickOnTheTreeChoosesTheLesson()
    {
        Window w(errors);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.fm.get()));
        QTreeWidgetItem *item = w.node(kListen1b);
        w.TreeView1->expandItem(item->parent()->parent());
        w.TreeView1->expandItem(item->parent());
        const QRect rect = w.TreeView1->visualItemRect(item);
        QTest::mouseClick(w.TreeView1->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(w.DBEdit1->text(), S("b01"));
        QVERIFY(w->Timer1->Enabled());
        QCOMPARE(QApplication::focusWidget(), w.TreeView1);
    }

    // Rows of every level stand apart in the tree's own 12-pixel face.
    void treeRowsStandApart()
    {
        Window w(errors);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.fm.get()));
        w.TreeView1->expandItem(w.node({S("热点听力")}));
        w.TreeView1->expandItem(w.node({S("热点听力"), S("第一章")}));
        QCOMPARE(QFontInfo(w.TreeView1->font()).pixelSize(), 12);
        QCOMPARE(w.TreeView1->indentation(), 19);
        QRect above;
        for (QTreeWidgetItem *item = w.TreeView1->topLevelItem(0); item;
             item = w.TreeView1->itemBelow(item)) {
            const QRect rect = w.TreeView1->visualItemRect(item);
            QVERIFY2(above.isNull() || rect.top() - above.top() >= 15,
                     qPrintable(S("%1 px above %2").arg(rect.top() - above.top()).arg(item->text(0))));
            above = rect;
        }
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
        w.showPage(page == 1 ? static_cast<QWidget *>(w.TabSheet2) : w.TabSheet3);
        if (page == 2)
            w.Button7->click();
        w.PageControl1->setFocus();
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
        QCOMPARE(w.DBEdit1->text(), S("a03"));
        w.clickTree(kListen1a);
        QCOMPARE(w.DBEdit1->text(), S("a01"));
    }

    void pageChangeStopsListeningAndReturnDoesNotResume()
    {
        Window w(errors);
        w.clickTree(kListen1a);
        w->Timer1Timer();
        w->Timer2->setEnabled(true);
        w.showPage(w.TabSheet2);
        QVERIFY(!w->Timer1->Enabled() && !w->Timer3->Enabled());
        QVERIFY(w->Timer2->Enabled());
        w.showPage(w.TabSheet1);
        QVERIFY(!w->Timer1->Enabled());
        QCOMPARE(w.DBEdit1->text(), S("a02"));
    }

private:
    QTemporaryDir home;
    RecordingMessageBoxes errors;
    QString lessonFile;
};

QTEST_MAIN(TestFmMain)
#include "tst_fmmain.moc"
