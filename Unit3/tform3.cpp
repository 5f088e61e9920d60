// SPDX-License-Identifier: GPL-3.0-or-later
#include "Unit3/tform3.h"
#include "ui_tform3.h"

#include "controls/dialogframe.h"
#include "controls/errorbox.h"
#include "controls/fonts.h"
#include "controls/linkopener.h"

TForm3::TForm3(ErrorBox &errors, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::TForm3>())
    , m_errors(errors)
{
    ui->setupUi(this);
    applyDialogFrame(*this);
    ui->Label3->setFont(songFont(12));
    ui->Label4->setFont(songFont(12));
    ui->Label4->setText(QString::fromLatin1(kHomePage));
    ui->Label3->adjustSize();
    ui->Label4->adjustSize();
    connect(ui->Button1, &QPushButton::clicked, this, [this] { m_errors.run([this] { Button1Click(); }); });
}

TForm3::~TForm3() = default;

void TForm3::Button1Click()
{
    close();
}
