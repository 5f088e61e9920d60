// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui_tform1.h"

#include <QDialog>

// The help dialog: installation notes on a single page.
class TForm1 : public QDialog, public Ui::TForm1
{
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);

    // Shows the dialog modally at its first page; returns when it is closed.
    void showHelp();
    void Button1Click();
};
