// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lessons/catalogue.h"

#include <QString>

// The tab page that is active when a lesson is chosen.
enum class StudyPage { Listen, Read, Practice };

// Where the lesson was chosen: in the catalogue tree or from a lesson menu item.
enum class ChosenIn { Tree, Menu };

// What a choice does to a timer. Switching a timer on that already runs
// keeps its period; only Off and On change anything.
enum class TimerSwitch { Keep, On, Off };

// The pair of boxes the Listen page shows: the listening course's
// (DBMemo1, DBMemo2) or the pattern course's (DBMemo5, DBMemo6).
enum class ListenBoxes { Unchanged, Listening, Patterns };

// What choosing a lesson does, in the order the window applies it: the Listen
// page's boxes, the practice boxes, the timers, then the lesson opened on
// ADODataSet1, ADODataSet2 and ADODataSet3 in that order, so that a failed
// open leaves the later data sets alone.
struct LessonChoice
{
    ListenBoxes boxes = ListenBoxes::Unchanged;
    bool hidePracticeBoxes = false; // DBMemo3 and DBMemo4
    TimerSwitch timer1 = TimerSwitch::Keep;
    TimerSwitch timer2 = TimerSwitch::Keep;
    TimerSwitch timer3 = TimerSwitch::Keep;
    bool openOn1 = false;
    bool openOn2 = false;
    bool openOn3 = false;
    QString table;
    QString key;
};

LessonChoice chooseLesson(StudyPage page, ChosenIn from, const CatalogueEntry &entry);
