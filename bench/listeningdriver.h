// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

class TADODataSet;
class TfmMain;

// Keeps the Listen page reading new rows: chooses the catalogue's lessons one
// after another from the menu, as the learner would, and moves on to the next
// one as soon as the running lesson shows its last row. Every tick thus steps
// a data set to a new row, through both listening timers in turn.
class ListeningDriver
{
public:
    // Create it after the window, so that it sees each tick after the window's own handler.
    explicit ListeningDriver(TfmMain *window);

    // Chooses the first lesson.
    void start();
    int lessonsChosen() const { return m_chosen; }
    // The data set of the running listening timer, or nullptr.
    TADODataSet *runningDataSet() const;

private:
    void afterTick();
    void chooseNext();

    TfmMain *m_window;
    std::size_t m_next = 0;
    int m_chosen = 0;
};
