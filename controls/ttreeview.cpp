// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/ttreeview.h"

#include <QKeyEvent>
#include <QMouseEvent>

TTreeView::TTreeView(QWidget *parent)
    : QTreeWidget(parent)
{}

bool TTreeView::viewportEvent(QEvent *event)
{
    // Reported before the tree handles the release; the press has selected the row already.
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        Q_EMIT clickReported();
    return QTreeWidget::viewportEvent(event);
}

void TTreeView::keyPressEvent(QKeyEvent *event)
{
    // Reported after the tree's own handling, so that Space has selected the
    // current row; a key held down chooses once.
    QTreeWidget::keyPressEvent(event);
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (modifiers == Qt::NoModifier && !event->isAutoRepeat() &&
        (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space))
        Q_EMIT clickReported();
}
