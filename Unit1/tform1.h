// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui_tform1.h"

#include <QDialog>

class ErrorBox;

// The help dialog: installation notes on a single page.
class TForm1 : public QDialog, public Ui::TForm1
{
    Q_OBJECT
public:
    // Errors its handler raises go to the given error box, which must outlive it.
    explicit TForm1(ErrorBox &errors, QWidget *parent = nullptr);

    // Shows the dialog modally at its first page; returns when it is closed.
    void showHelp();
    void Button1Click();

private:
    ErrorBox &m_errors;
};
