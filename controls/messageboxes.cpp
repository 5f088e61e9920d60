// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/messageboxes.h"

#include <QMessageBox>

void QtMessageBoxes::show(const QString &text, const QString &caption, Icon icon)
{
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    if (icon == Icon::Information)
        qicon = QMessageBox::Information;
    else if (icon == Icon::Error)
        qicon = QMessageBox::Critical;
    QMessageBox box(qicon, caption, text, QMessageBox::Ok, m_owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
