// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/listeningdriver.h"

#include "base/ttimer.h"
#include "lessons/catalogue.h"
#include "lessons/tadodataset.h"
#include "wnMain/tfmmain.h"

#include <QAction>
#include <QTabWidget>

ListeningDriver::ListeningDriver(TfmMain *window)
    : m_window(window)
{
    QObject::connect(window->Timer1, &TTimer::timeout, window, [this] { afterTick(); });
    QObject::connect(window->Timer3, &TTimer::timeout, window, [this] { afterTick(); });
}

void ListeningDriver::start()
{
    chooseNext();
}

TADODataSet *ListeningDriver::runningDataSet() const
{
    if (m_window->Timer1->Enabled())
        return m_window->ADODataSet1;
    if (m_window->Timer3->Enabled())
        return m_window->ADODataSet3;
    return nullptr;
}

void ListeningDriver::afterTick()
{
    const TADODataSet *running = runningDataSet();
    if (running && running->RecNo() >= running->RecordCount())
        chooseNext();
}

void ListeningDriver::chooseNext()
{
    // Only the Listen page starts a listening timer.
    if (m_window->findChild<QTabWidget *>(QStringLiteral("PageControl1"))->currentIndex() != 0)
        return;
    const CatalogueEntry &entry = kCatalogue[m_next];
    m_next = (m_next + 1) % kCatalogue.size();
    ++m_chosen;
    m_window->lessonAction(entry.menuItem)->trigger();
}
