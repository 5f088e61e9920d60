// SPDX-License-Identifier: GPL-3.0-or-later
// What choosing a lesson does, by page, by tree or menu and by the three
// groups of the catalogue: which boxes show, which timers switch, which data
// sets take the lesson.
#include "lessons/lessonchoice.h"

#include <QTest>

#include <algorithm>

Q_DECLARE_METATYPE(StudyPage)
Q_DECLARE_METATYPE(ChosenIn)

namespace {

const CatalogueEntry &entry(const char *menuItem)
{
    return *std::find_if(kCatalogue.begin(), kCatalogue.end(),
                         [menuItem](const CatalogueEntry &e) { return qstrcmp(e.menuItem, menuItem) == 0; });
}

// "1+3-": Timer1 switched on, Timer3 off, Timer2 left alone.
QString timers(const LessonChoice &choice)
{
    QString text;
    int n = 1;
    for (TimerSwitch change : {choice.timer1, choice.timer2, choice.timer3}) {
        if (change != TimerSwitch::Keep)
            text += QString::number(n) + QLatin1Char(change == TimerSwitch::On ? '+' : '-');
        ++n;
    }
    return text;
}

} // namespace

class TestLessonChoice : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choiceByPageTreeAndMenu_data()
    {
        QTest::addColumn<StudyPage>("page");
        QTest::addColumn<ChosenIn>("from");
        QTest::addColumn<QString>("item"); // N27: listening course, unit21: first book, unit12: book two
        // The pair the Listen page shows afterwards: 365, 900 or as it was (empty).
        QTest::addColumn<QString>("boxes");
        QTest::addColumn<bool>("practiceHidden");
        QTest::addColumn<QString>("timers");
        QTest::addColumn<QString>("opened"); // ADODataSet1..3, in order

        const auto row = [](const char *name, StudyPage page, ChosenIn from, const char *item,
                            const char *boxes, bool practiceHidden, const char *timers, const char *opened) {
            QTest::newRow(name) << page << from << QString::fromLatin1(item) << QString::fromLatin1(boxes)
                                << practiceHidden << QString::fromLatin1(timers)
                                << QString::fromLatin1(opened);
        };
        const auto listen = StudyPage::Listen;
        const auto read = StudyPage::Read;
        const auto practice = StudyPage::Practice;
        const auto tree = ChosenIn::Tree;
        const auto menu = ChosenIn::Menu;
        row("listen, listening, tree", listen, tree, "N27", "365", false, "1+3-", "1");
        row("listen, listening, menu", listen, menu, "N27", "365", false, "1+3-", "12");
        row("practice, listening, tree", practice, tree, "N27", "", false, "2+", "2");
        row("practice, listening, menu", practice, menu, "N27", "365", false, "1-3-", "12");
        row("read, listening, tree", read, tree, "N27", "", false, "", "");
        row("read, listening, menu", read, menu, "N27", "365", false, "1-3-", "12");
        row("listen, first book, tree", listen, tree, "unit21", "900", false, "1-3+", "3");
        row("listen, first book, menu", listen, menu, "unit21", "900", false, "1-3+", "3");
        row("practice, first book, tree", practice, tree, "unit21", "900", false, "2-", "");
        row("practice, first book, menu", practice, menu, "unit21", "900", false, "1-3-", "3");
        row("read, first book, tree", read, tree, "unit21", "900", false, "", "");
        row("read, first book, menu", read, menu, "unit21", "900", false, "1-3-", "3");
        row("listen, patterns, tree", listen, tree, "unit12", "900", true, "1-3+", "3");
        row("listen, patterns, menu", listen, menu, "unit12", "900", false, "1-3+", "3");
        row("practice, patterns, tree", practice, tree, "unit12", "900", true, "2-", "");
        row("practice, patterns, menu", practice, menu, "unit12", "900", false, "1-3-", "3");
        row("read, patterns, tree", read, tree, "unit12", "900", true, "", "");
        row("read, patterns, menu", read, menu, "unit12", "900", false, "1-3-", "3");
        row("classic sentences, tree", listen, tree, "N50", "900", true, "1-3+", "3");
    }
    void choiceByPageTreeAndMenu()
    {
        QFETCH(StudyPage, page);
        QFETCH(ChosenIn, from);
        QFETCH(QString, item);
        QFETCH(QString, boxes);
        QFETCH(bool, practiceHidden);
        QFETCH(QString, timers);
        QFETCH(QString, opened);
        const CatalogueEntry &chosen = entry(qPrintable(item));
        const LessonChoice choice = chooseLesson(page, from, chosen);

        const QString shown = choice.boxes == ListenBoxes::Listening  ? QStringLiteral("365")
                              : choice.boxes == ListenBoxes::Patterns ? QStringLiteral("900")
                                                                      : QString();
        QCOMPARE(shown, boxes);
        QCOMPARE(choice.hidePracticeBoxes, practiceHidden);
        QCOMPARE(::timers(choice), timers);
        QString openedOn;
        for (const auto &[open, n] :
             {std::pair{choice.openOn1, '1'}, {choice.openOn2, '2'}, {choice.openOn3, '3'}})
            if (open)
                openedOn += QLatin1Char(n);
        QCOMPARE(openedOn, opened);
        QCOMPARE(choice.table, QString::fromLatin1(chosen.table));
        QCOMPARE(choice.key, QString::fromLatin1(chosen.key));
    }
};

QTEST_GUILESS_MAIN(TestLessonChoice)
#include "tst_lessonchoice.moc"
