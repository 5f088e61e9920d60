// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

// A label that a screen reader announces: to assistive technology it is a
// notification named by its text, and a notification is read out when it
// is shown. It looks like any other label.
class TNotice : public QLabel
{
    Q_OBJECT
public:
    explicit TNotice(QWidget *parent = nullptr);

    // Shows the notice afresh, hidden first when it shows already, so that it
    // is announced again even with the same text. Where the page it is on is
    // not shown, it will show (and be announced) with the page.
    void announce();
    void announce(const QString &text);
};
