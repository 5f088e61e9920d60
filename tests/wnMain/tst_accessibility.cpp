// SPDX-License-Identifier: GPL-3.0-or-later
// A dictation exercise without a mouse, and what a screen reader is told:
// the keys that reach the menu, the pages and the tree, the focus on the Read
// page, and the verdicts and sentences read out as notifications.
#include "fmmainfixture.h"

#include "base/ttimer.h"
#include "support/accessibleevents.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QtPlugin>

Q_IMPORT_PLUGIN(AccessibleEventsPlugin)

namespace {

const QString kRight = QStringLiteral("恭喜你，答对了！");
const QString kWrong = QStringLiteral("很抱歉，答错了！");

// The keys one after another, each where the keyboard sends it: into an open menu, else to the focus.
void press(const QStringList &keys)
{
    for (const QString &key : keys) {
        const QKeyCombination combination = QKeySequence(key)[0];
        QWidget *target = QApplication::activePopupWidget();
        QTest::keyClick(target ? target : QApplication::focusWidget(), combination.key(),
                        combination.keyboardModifiers());
    }
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        prepareWindowTests(home);
        const QString recording = localPath(QString::fromUtf16(kRecordingWindowsPath));
        QVERIFY(QDir().mkpath(QFileInfo(recording).absolutePath()));
    }
    void init()
    {
        errors = RecordingMessageBoxes();
        AccessibleEvents::clear();
    }

    void keys_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("focus"); // empty: the tab bar
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<int>("toPage");
        QTest::addColumn<QString>("toFocus"); // the open menu, else the focus
        QTest::addColumn<QString>("chosen");  // the page's lesson row: a01 unless one was chosen
        QTest::addColumn<bool>("armed");
        const QStringList toChapter1{S("Home"), S("Right"), S("Down"), S("Right"), S("Down")};
        QTest::newRow("F10 opens 操作")
            << 0 << QString() << QStringList{S("F10")} << 0 << S("N1") << S("a01") << false;
        QTest::newRow("F10 from the answer box, Escape back")
            << 2 << S("Memo2") << QStringList{S("F10"), S("Down"), S("Esc"), S("Esc")} << 2 << S("Memo2")
            << S("a01") << false;
        QTest::newRow("Ctrl+Tab from the tree")
            << 0 << S("TreeView1") << QStringList{S("Ctrl+Tab")} << 1 << S("TreeView1") << S("a01") << false;
        QTest::newRow("Ctrl+Tab wraps round")
            << 2 << S("TreeView1") << QStringList{S("Ctrl+Tab")} << 0 << S("TreeView1") << S("a01") << false;
        QTest::newRow("Ctrl+Shift+Tab from the answer box")
            << 2 << S("Memo2") << QStringList{S("Ctrl+Shift+Tab")} << 1 << S("Memo1") << S("a01") << false;
        QTest::newRow("Ctrl+Shift+Tab from the tree, wrapping round")
            << 0 << S("TreeView1") << QStringList{S("Ctrl+Shift+Tab")} << 2 << S("TreeView1") << S("a01")
            << false;
        QTest::newRow("Return on a lesson arms the dictation")
            << 2 << S("TreeView1") << toChapter1 + QStringList{S("Down"), S("Return")} << 2 << S("TreeView1")
            << S("b01") << true;
        QTest::newRow("Space on a lesson arms the dictation")
            << 2 << S("TreeView1")
            << QStringList{S("Home"), S("Right"), S("Down"), S("Down"), S("Right"), S("Down"), S("Space")}
            << 2 << S("TreeView1") << S("e01") << true;
        QTest::newRow("Enter on a lesson starts listening")
            << 0 << S("TreeView1") << toChapter1 + QStringList{S("Down"), S("Enter")} << 0 << S("TreeView1")
            << S("b01") << false;
        QTest::newRow("Return on a chapter chooses nothing")
            << 2 << S("TreeView1") << QStringList{S("Home"), S("Right"), S("Down"), S("Return")} << 2
            << S("TreeView1") << S("a01") << false;
        QTest::newRow("Space on 录音 goes on to 停止")
            << 1 << S("Button1") << QStringList{S("Space")} << 1 << S("Button2") << S("a01") << false;
        QTest::newRow("Space on 停止 comes back to 录音")
            << 1 << S("Button1") << QStringList{S("Space"), S("Space")} << 1 << S("Button1") << S("a01")
            << false;
    }
    void keys()
    {
        QFETCH(int, page);
        QFETCH(QString, focus);
        QFETCH(QStringList, keys);
        QFETCH(int, toPage);
        QFETCH(QString, toFocus);
        QFETCH(QString, chosen);
        QFETCH(bool, armed);
        Window w(errors);
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.fm.get()));
        w.PageControl1->setCurrentIndex(page);
        if (focus.isEmpty())
            w.PageControl1->setFocus();
        else
            findControl<QWidget>(w.fm.get(), focus.toLatin1().constData())->setFocus();

        press(keys);
        QCOMPARE(w.PageControl1->currentIndex(), toPage);
        QWidget *now = QApplication::activePopupWidget();
        QCOMPARE((now ? now : QApplication::focusWidget())->objectName(), toFocus);
        const TADODataSet *dataSet = page == 0 ? w->ADODataSet1 : w->ADODataSet2;
        QCOMPARE(dataSet->fieldText(S("NUMBER")), chosen);
        QCOMPARE(w->Timer2->Enabled(), armed);
        QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));
    }

    void returnInTheAnswerBoxBreaksTheLine()
    {
        Window w(errors);
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w.fm.get()));
        w.showPage(w.TabSheet3);
        w.Memo2->setFocus();
        press({S("Return")});
        QCOMPARE(w.Memo2->Text(), S("\r\n"));
        QVERIFY(w.messages->shown.isEmpty());
    }

    void verdictsAreReadOut_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("readOut");
        QTest::newRow("right, right again, wrong")
            << QStringList{S("Good morning."), S("How are you?"), S("x")}
            << QStringList{kRight, kRight, kWrong};
        QTest::newRow("wrong, wrong again, right")
            << QStringList{S("x"), S("y"), S("Fine, thank you.")} << QStringList{kWrong, kWrong, kRight};
        QTest::newRow("an empty answer tells nothing")
            << QStringList{S("Good morning."), QString()} << QStringList{kRight};
    }
    void verdictsAreReadOut()
    {
        QFETCH(QStringList, answers);
        QFETCH(QStringList, readOut);
        Window w(errors);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.fm.get()));
        w.showPage(w.TabSheet3);
        w.clickTree(kListen1a);
        AccessibleEvents::clear();
        for (const QString &answer : answers) {
            w.Memo2->setPlainText(answer);
            w.Button8->click();
        }
        QCOMPARE(AccessibleEvents::notifications(), readOut);
    }

    void sentencesAreReadOut_data()
    {
        QTest::addColumn<QStringList>("lesson");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("readOut"); // at the choice, and at the first tick
        QTest::newRow("listening course")
            << kListen1a << S("N18")
            << QStringList{S("Good morning.\n早上好。"), S("How are you?\n你好吗？")};
        QTest::newRow("pattern course") << kBook2Unit1 << S("N18")
                                        << QStringList{S("She is reading now.\n她正在看书。"),
                                                       S("They are playing football.\n他们在踢足球。")};
        QTest::newRow("English only: what the page shows")
            << kListen1a << S("N19") << QStringList{S("Good morning.\n早上好。"), S("How are you?")};
    }
    void sentencesAreReadOut()
    {
        QFETCH(QStringList, lesson);
        QFETCH(QString, mode);
        QFETCH(QStringList, readOut);
        Window w(errors);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.fm.get()));
        QVERIFY(AccessibleEvents::notifications().isEmpty());
        w.clickTree(lesson);
        w->findChild<QAction *>(mode)->trigger();
        if (w->Timer1->Enabled())
            w->Timer1Timer();
        else
            w->Timer3Timer();
        QCOMPARE(AccessibleEvents::notifications(), readOut);
        // Coming back to the page is no new pair.
        w.showPage(w.TabSheet2);
        w.showPage(w.TabSheet1);
        QCOMPARE(AccessibleEvents::notifications(), readOut);
    }

private:
    QTemporaryDir home;
    RecordingMessageBoxes errors;
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
