// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/dialogframe.h"

#include <QDialog>
#include <QFont>

void applyDialogFrame(QDialog &dialog)
{
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog.setAttribute(Qt::WA_QuitOnClose, false);
    // The design gives its fonts in pixels; Designer holds only whole points.
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    dialog.setFont(font);
}
