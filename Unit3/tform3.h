// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TForm3;
}
class ErrorBox;

// The about dialog: the icon and the home page's address.
class TForm3 : public QDialog
{
    Q_OBJECT
public:
    // Errors its handler raises go to the given error box, which must outlive it.
    explicit TForm3(ErrorBox &errors, QWidget *parent = nullptr);
    ~TForm3() override;

    void Button1Click();

private:
    std::unique_ptr<Ui::TForm3> ui;
    ErrorBox &m_errors;
};
