// SPDX-License-Identifier: GPL-3.0-or-later
#include "Unit1/tform1.h"

#include "controls/application.h"
#include "controls/fonts.h"

#include <QTabBar>

TForm1::TForm1(QWidget *parent)
    : QDialog(parent)
{
    setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(362, 377);
    setAttribute(Qt::WA_QuitOnClose, false);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    // Tabs drawn as a row of buttons.
    PageControl1->setDocumentMode(true);
    PageControl1->tabBar()->setDrawBase(false);
    Memo2->setFont(songFont(14));
    Memo2->setPlainText(QStringLiteral("安装说明：\n"
                                       "\n"
                                       "《daro》具有自动朗读功能，为保证能够正常发\n"
                                       "声，必须确保在安装本软件的电脑系统中已经安装了\n"
                                       "Mstts.exe和Spchapi.exe两个软件包；若系统中还没有\n"
                                       "安装，请到相关网站下载，并安装在您使用的电脑上。"));
    PageControl1->setAccessibleName(QStringLiteral("帮助主题"));
    Memo2->setAccessibleName(QStringLiteral("安装说明"));
    Button1->setFont(songFont(12));
    Button1->raise();
    connect(Button1, &QPushButton::clicked, this, [this] { runHandler([this] { Button1Click(); }); });
}

void TForm1::showHelp()
{
    PageControl1->setCurrentIndex(0);
    exec();
}

void TForm1::Button1Click()
{
    close();
}
