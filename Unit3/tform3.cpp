// SPDX-License-Identifier: GPL-3.0-or-later
#include "Unit3/tform3.h"

#include "controls/errorbox.h"
#include "controls/fonts.h"
#include "controls/linkopener.h"

TForm3::TForm3(ErrorBox &errors, QWidget *parent)
    : QDialog(parent)
    , m_errors(errors)
{
    setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    // The design gives its fonts in pixels; Designer holds only whole points.
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    Label3->setFont(songFont(12));
    Label4->setFont(songFont(12));
    Label4->setText(QString::fromLatin1(kHomePage));
    Label3->adjustSize();
    Label4->adjustSize();
    connect(Button1, &QPushButton::clicked, this, [this] { m_errors.run([this] { Button1Click(); }); });
}

void TForm3::Button1Click()
{
    close();
}
