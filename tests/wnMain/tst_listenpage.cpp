// SPDX-License-Identifier: GPL-3.0-or-later
// The Listen page: timed steps through a lesson, speech, display modes,
// intervals, hints, and the memo boxes' fit for every bundled text.
#include "fmmainfixture.h"

#include "base/ttimer.h"
#include "lessontool/lessontsv.h"

#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QTextBlock>

#include <QTest>
#include <algorithm>

class TestListenPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        prepareWindowTests(home);
    }
    void init() { errors = RecordingMessageBoxes(); }

    void firstRowShownSecondSpokenAtTheTick()
    {
        Window w(errors);
        w.clickTree(kListen1a);
        QCOMPARE(w.DBMemo1->Text(), S("Good morning."));
        QCOMPARE(w.DBMemo2->Text(), S("早上好。"));
        QVERIFY(w.speech->spoken.isEmpty());
        w->Timer1Timer();
        QCOMPARE(w.DBMemo1->Text(), S("How are you?"));
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
        QVERIFY(w.DBMemo1->Text().isEmpty() && w.DBMemo2->Text().isEmpty());
        w->Timer1Timer();
        QCOMPARE(w.speech->spoken.last(), QString());
        QVERIFY2(errors.shown.isEmpty(), qPrintable(errors.texts().join(QLatin1Char('|'))));
    }

    void tickThroughTheTimerSpeaksThePatternCourse()
    {
        Window w(errors);
        w.N310->trigger();
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
        w.errorBox.run([&] { w->Timer1Timer(); });
        QCOMPARE(w.DBEdit1->text(), S("a02"));
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
        w.N310->trigger();
        QVERIFY(w->Timer1->remainingTime() <= left);
        w.N45->trigger();
        QVERIFY(w->Timer1->remainingTime() > 3000);
        QCOMPARE(w->Timer3->Interval(), 4000);
        QCOMPARE(w->Timer2->Interval(), 3000);
        QVERIFY(!w->Timer3->Enabled());
        QVERIFY(w.N45->isChecked() && !w.N310->isChecked() && !w.N51->isChecked() && !w.N61->isChecked());
        w.N61->trigger();
        QCOMPARE(w->Timer1->Interval(), 6000);
        QVERIFY(w.N61->isChecked() && !w.N45->isChecked());
        // Choosing the checked item again leaves it checked.
        w.N61->trigger();
        QVERIFY(w.N61->isChecked());
    }

    void displayModes()
    {
        Window w(errors);
        // With no timer running only the check marks change.
        w.N19->trigger();
        QVERIFY(w.N19->isChecked() && !w.N18->isChecked() && !w.N20->isChecked());
        QCOMPARE(w.DBMemo1->y(), 24);
        QVERIFY(!w.DBMemo2->isHidden());

        w.N18->trigger();
        w.clickTree(kListen1a);
        w.N19->trigger();
        QVERIFY(!w.DBMemo1->isHidden() && w.DBMemo2->isHidden());
        QCOMPARE(w.DBMemo1->y(), 60);
        w.N20->trigger();
        QVERIFY(w.DBMemo1->isHidden() && !w.DBMemo2->isHidden());
        QCOMPARE(w.DBMemo2->y(), 60);
        QCOMPARE(w.DBMemo1->y(), 60);
        w.N18->trigger();
        QCOMPARE(w.DBMemo1->y(), 24);
        QCOMPARE(w.DBMemo2->y(), 112);
        QVERIFY(!w.DBMemo1->isHidden() && !w.DBMemo2->isHidden());

        // A new lesson shows both boxes where the display commands left them.
        w.N19->trigger();
        w.clickTree(kListen1b);
        QVERIFY(!w.DBMemo1->isHidden() && !w.DBMemo2->isHidden());
        QCOMPARE(w.DBMemo1->y(), 60);
        QCOMPARE(w.DBMemo2->y(), 112);
        QVERIFY(w.N19->isChecked());
        w.N20->trigger();
        w.N19->trigger();
        w.clickTree(kListen1a);
        QCOMPARE(w.DBMemo1->y(), 60);
        QCOMPARE(w.DBMemo2->y(), 60);
        w.N18->trigger();
        QCOMPARE(w.DBMemo1->y(), 24);
        QCOMPARE(w.DBMemo2->y(), 112);

        // The pattern course moves its own pair.
        w.clickTree(kClassic);
        w.N20->trigger();
        QVERIFY(!w.DBMemo6->isHidden() && w.DBMemo5->isHidden() && w.DBMemo1->isHidden());
        QCOMPARE(w.DBMemo6->y(), 60);
        QCOMPARE(w.DBMemo1->y(), 24);
    }

    void listeningHints()
    {
        Window w(errors);
        QVERIFY(w.DBMemo1->toolTip().isEmpty());
        QTest::mouseMove(w.DBMemo1->viewport(), QPoint(5, 5));
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(w.DBMemo1->viewport(), &move);
        QCOMPARE(w.DBMemo1->toolTip(), S("请选择学习章节"));
        w.clickTree(kListen1a);
        QCoreApplication::sendEvent(w.DBMemo1->viewport(), &move);
        QCOMPARE(w.DBMemo1->toolTip(), S("英文显示"));
        QCoreApplication::sendEvent(w.DBMemo2->viewport(), &move);
        QCOMPARE(w.DBMemo2->toolTip(), S("中文显示"));
        w.showPage(w.TabSheet2);
        w.showPage(w.TabSheet1);
        QCoreApplication::sendEvent(w.DBMemo1->viewport(), &move);
        QCOMPARE(w.DBMemo1->toolTip(), S("请选择学习章节"));
        QVERIFY(w.DBMemo5->toolTip().isEmpty());
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
        for (QWidget *page : {w.TabSheet1, w.TabSheet2, w.TabSheet3})
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

private:
    QTemporaryDir home;
    RecordingMessageBoxes errors;
};

QTEST_MAIN(TestListenPage)
#include "tst_listenpage.moc"
