// SPDX-License-Identifier: GPL-3.0-or-later
#include "Unit1/tform1.h"
#include "ui_tform1.h"

#include "controls/dialogframe.h"
#include "controls/errorbox.h"
#include "controls/fonts.h"

#include <QTabBar>

TForm1::TForm1(ErrorBox &errors, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::TForm1>())
    , m_errors(errors)
{
    // The help text is laid out as soon as it is set: in the face the window
    // has loaded already, not in a fallback face opened only for that.
    setFont(songFont(14));
    ui->setupUi(this);
    applyDialogFrame(*this);
    ui->Memo2->setFont(songFont(14));
    ui->Button1->setFont(songFont(12));
    // Tabs drawn as a row of buttons.
    ui->PageControl1->tabBar()->setDrawBase(false);
    connect(ui->Button1, &QPushButton::clicked, this, [this] { m_errors.run([this] { Button1Click(); }); });
}

TForm1::~TForm1() = default;

void TForm1::showHelp()
{
    ui->PageControl1->setCurrentIndex(0);
    exec();
}

void TForm1::Button1Click()
{
    close();
}
