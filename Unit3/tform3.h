// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui_tform3.h"

#include <QDialog>

class ErrorBox;

// The about dialog: the icon and the home page's address.
class TForm3 : public QDialog, public Ui::TForm3
{
    Q_OBJECT
public:
    // Errors its handler raises go to the given error box, which must outlive it.
    explicit TForm3(ErrorBox &errors, QWidget *parent = nullptr);

    void Button1Click();

private:
    ErrorBox &m_errors;
};
