// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TForm1;
}
class ErrorBox;

// The help dialog: installation notes on a single page.
class TForm1 : public QDialog
{
    Q_OBJECT
public:
    // Errors its handler raises go to the given error box, which must outlive it.
    explicit TForm1(ErrorBox &errors, QWidget *parent = nullptr);
    ~TForm1() override;

    // Shows the dialog modally at its first page; returns when it is closed.
    void showHelp();
    void Button1Click();

private:
    std::unique_ptr<Ui::TForm1> ui;
    ErrorBox &m_errors;
};
