// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTreeWidget>

// A tree whose owner reads the selected node when the tree reports a click:
// a release of the left button anywhere in it (on a label, a branch sign or
// empty space), or Return, Enter or Space on the row the arrow keys selected.
class TTreeView : public QTreeWidget
{
    Q_OBJECT
public:
    explicit TTreeView(QWidget *parent = nullptr);

Q_SIGNALS:
    void clickReported();

protected:
    bool viewportEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
