// SPDX-License-Identifier: GPL-3.0-or-later
// The Practice page: dictation verdicts, the one-shot speaking timer, the
// reveal buttons and hints.
#include "fmmainfixture.h"

#include "base/ttimer.h"

#include <QMouseEvent>
#include <QTest>

class TestPracticePage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        prepareWindowTests(home);
    }
    void init() { errors = RecordingMessageBoxes(); }

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
        w.showPage(w.TabSheet3);
        w.clickTree(kListen1a);
        w->ADODataSet2->Next(); // the sentence now current: "How are you?"
        w.Memo2->setPlainText(answer);
        w.Button8->click();
        QCOMPARE(!w.Label2->isHidden(), right);
        QCOMPARE(!w.Image9->isHidden(), right);
        QCOMPARE(!w.Label3->isHidden(), !right);
        QCOMPARE(!w.Image10->isHidden(), !right);
        QCOMPARE(w.Label2->text(), S("恭喜你，答对了！"));
        QCOMPARE(w.Label3->text(), S("很抱歉，答错了！"));
        QVERIFY(w.Memo2->Text().isEmpty());
        QCOMPARE(w->ADODataSet2->fieldText(S("NUMBER")), S("a03"));
        QVERIFY(w->Timer2->Enabled());
        QVERIFY(w.messages->shown.isEmpty());
    }

    void emptyAnswerOnlyAsks()
    {
        Window w(errors);
        w.showPage(w.TabSheet3);
        w.chooseMenu("N26");
        w.Memo2->setPlainText(S("wrong"));
        w.Button8->click();
        QVERIFY(!w.Label3->isHidden());
        w->Timer2->setEnabled(false);
        w.Button8->click();
        QCOMPARE(w.messages->shown.size(), 1);
        QCOMPARE(w.messages->shown[0].text, S("请输入听到的内容"));
        QCOMPARE(w.messages->shown[0].caption, S("daro"));
        QCOMPARE(w.messages->shown[0].icon, MessageBoxes::Icon::None);
        QVERIFY(w.Label2->isHidden() && w.Label3->isHidden() && w.Image9->isHidden() &&
                w.Image10->isHidden());
        QCOMPARE(w->ADODataSet2->fieldText(S("NUMBER")), S("a02"));
        QVERIFY(!w->Timer2->Enabled());
        QVERIFY(w.speech->spoken.isEmpty());
    }

    void ticksInsideTheMessageLeaveAConsistentState()
    {
        Window w(errors);
        w.clickTree(kListen1a);
        w.showPage(w.TabSheet3);
        w.clickTree(kListen1b);
        w.showPage(w.TabSheet1);
        w.clickTree(kListen1a);
        w.showPage(w.TabSheet3); // listening stopped; the practice sentence waits in Timer2
        w->Timer1->setEnabled(true);
        // While the box is open, listening and practice ticks arrive.
        w.messages->whileOpen = [&] {
            w->Timer1->timeout();
            w->Timer2->timeout();
        };
        w.Button8->click();
        QCOMPARE(w.speech->spoken, (QStringList{S("How are you?"), S("What time is it?")}));
        QVERIFY(!w->Timer2->Enabled());
        QCOMPARE(w->ADODataSet2->fieldText(S("NUMBER")), S("b01"));
        QVERIFY(w.Memo2->Text().isEmpty());
        QVERIFY(w.Label2->isHidden() && w.Label3->isHidden());
        QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));
    }

    void twoConfirmationsSpeakOnlyTheSentenceAtTheTick()
    {
        Window w(errors);
        w.showPage(w.TabSheet3);
        w.chooseMenu("N26"); // the menu opens the lesson without arming Timer2
        QVERIFY(!w->Timer2->Enabled());
        w.Memo2->setPlainText(S("Good morning."));
        w.Button8->click();
        QVERIFY(!w.Label2->isHidden());
        QVERIFY(w->Timer2->Enabled());
        QTest::qWait(300);
        const int left = w->Timer2->remainingTime();
        w.Memo2->setPlainText(S("x"));
        w.Button8->click();
        QVERIFY(w->Timer2->remainingTime() <= left);
        QCOMPARE(w->ADODataSet2->fieldText(S("NUMBER")), S("a03"));
        w->Timer2->timeout();
        QCOMPARE(w.speech->spoken, QStringList{S("Fine, thank you.")});
        QVERIFY(!w->Timer2->Enabled());
    }

    void pendingSentenceIsSpokenAfterLeavingThePage()
    {
        Window w(errors);
        w.showPage(w.TabSheet3);
        w.clickTree(kListen2a);
        QVERIFY(w->Timer2->Enabled());
        w.showPage(w.TabSheet1);
        QVERIFY(w->Timer2->Enabled());
        w->Timer2->timeout();
        QCOMPARE(w.speech->spoken, QStringList{S("A table for two, please.")});
        QVERIFY(!w->Timer2->Enabled());
    }

    void practiceTimerStaysArmedWhenSpeechFails()
    {
        Window w(errors);
        w.showPage(w.TabSheet3);
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
        w.showPage(w.TabSheet3);
        const QStringList expected{S("关闭结果"), S("查看结果"), S("关闭结果")};
        for (int i = 0; i < 3; ++i) {
            w.Button7->click();
            QCOMPARE(w.Button7->text(), expected[i]);
            QCOMPARE(w.DBMemo3->isHidden(), i == 1);
        }
        w.Button6->click();
        QCOMPARE(w.Button6->text(), S("隐藏中文"));
        QVERIFY(!w.DBMemo4->isHidden());
        // A revealed answer follows the data set at once.
        w.clickTree(kListen1a);
        QCOMPARE(w.DBMemo3->Text(), S("Good morning."));
        w.Memo2->setPlainText(S("Good morning."));
        w.Button8->click();
        QCOMPARE(w.DBMemo3->Text(), S("How are you?"));
        QCOMPARE(w.DBMemo4->Text(), S("你好吗？"));
    }

    void practiceHints()
    {
        Window w(errors);
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), QPointF(3, 3), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(w.DBMemo3->viewport(), &move);
        QCoreApplication::sendEvent(w.DBMemo4->viewport(), &move);
        QCoreApplication::sendEvent(w.Memo2->viewport(), &move);
        QCoreApplication::sendEvent(w.Memo1->viewport(), &move);
        QCOMPARE(w.DBMemo3->toolTip(), S("显示结果"));
        QCOMPARE(w.DBMemo4->toolTip(), S("显示中文"));
        QCOMPARE(w.Memo2->toolTip(), S("输入听到单词或语句！"));
        QCOMPARE(w.Memo1->toolTip(), S("输入英文内容"));
    }

private:
    QTemporaryDir home;
    RecordingMessageBoxes errors;
};

QTEST_MAIN(TestPracticePage)
#include "tst_practicepage.moc"
