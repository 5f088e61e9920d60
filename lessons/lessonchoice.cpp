// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessons/lessonchoice.h"

LessonChoice chooseLesson(StudyPage page, ChosenIn from, const CatalogueEntry &entry)
{
    LessonChoice choice;
    choice.table = QString::fromLatin1(entry.table);
    choice.key = QString::fromLatin1(entry.key);
    const bool listeningCourse = entry.group == LessonGroup::Listening;
    const TimerSwitch onIfListening = page == StudyPage::Listen ? TimerSwitch::On : TimerSwitch::Off;

    // A menu item acts the same on every page; only the Listen page starts its
    // course's timer. Its listening lessons go to the practice data set too.
    if (from == ChosenIn::Menu) {
        choice.boxes = listeningCourse ? ListenBoxes::Listening : ListenBoxes::Patterns;
        if (listeningCourse) {
            choice.timer1 = onIfListening;
            choice.timer3 = TimerSwitch::Off;
            choice.openOn1 = choice.openOn2 = true;
        } else {
            choice.timer1 = TimerSwitch::Off;
            choice.timer3 = onIfListening;
            choice.openOn3 = true;
        }
        return choice;
    }

    // The tree serves the page that is shown: the Listen page listens, the
    // Practice page dictates the listening course; the Read page takes nothing.
    if (listeningCourse) {
        if (page == StudyPage::Listen) {
            choice.boxes = ListenBoxes::Listening;
            choice.timer1 = TimerSwitch::On;
            choice.timer3 = TimerSwitch::Off;
            choice.openOn1 = true;
        } else if (page == StudyPage::Practice) {
            choice.timer2 = TimerSwitch::On;
            choice.openOn2 = true;
        }
        return choice;
    }
    // A pattern lesson switches the boxes on every page; the first book leaves
    // the practice boxes as they are. Dictation has no pattern lessons, so the
    // Practice page only stops its sentence.
    choice.boxes = ListenBoxes::Patterns;
    choice.hidePracticeBoxes = entry.group == LessonGroup::Patterns;
    if (page == StudyPage::Listen) {
        choice.timer1 = TimerSwitch::Off;
        choice.timer3 = TimerSwitch::On;
        choice.openOn3 = true;
    } else if (page == StudyPage::Practice) {
        choice.timer2 = TimerSwitch::Off;
    }
    return choice;
}
