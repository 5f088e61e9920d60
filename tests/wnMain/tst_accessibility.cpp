// SPDX-License-Identifier: GPL-3.0-or-later
// A dictation exercise without a mouse: the keys that reach the menu, the
// pages and the tree, and the focus on the Read page.
#include "fmmainfixture.h"

#include "base/ttimer.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

namespace {

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
    void init() { errors = RecordingMessageBoxes(); }

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

private:
    QTemporaryDir home;
    RecordingMessageBoxes errors;
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
