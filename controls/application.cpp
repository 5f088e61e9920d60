// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/application.h"

#include "controls/errorbox.h"

TApplication::TApplication(int &argc, char **argv, ErrorBox &errors)
    : QApplication(argc, argv)
    , m_errors(errors)
{}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        m_errors.report(std::current_exception());
        return false;
    }
}
