// SPDX-License-Identifier: GPL-3.0-or-later
#include "wnMain/fonts.h"

#include <QStringList>

void registerFontSubstitutions()
{
    QFont::insertSubstitutions(QStringLiteral("宋体"),
                               {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN")});
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK SC")});
}

QFont songFont(int pixelSize, bool bold, bool italic)
{
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}
