// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui_tform3.h"

#include <QDialog>

// The about dialog: the icon and the home page's address.
class TForm3 : public QDialog, public Ui::TForm3
{
    Q_OBJECT
public:
    explicit TForm3(QWidget *parent = nullptr);

    void Button1Click();
};
