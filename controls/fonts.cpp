// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/fonts.h"

#include <QStringList>

void registerFontSubstitutions()
{
    // 宋体's lines are exactly as tall as its characters, and the designs' fixed
    // boxes count on it: four 19-pixel lines in an 89-pixel memo. AR PL UMing is
    // drawn to the same proportions (a 19-pixel line of about 20 pixels); Noto
    // Serif CJK, a Song face too, needs 28, so it only stands in when UMing is missing.
    QFont::insertSubstitutions(QStringLiteral("宋体"),
                               {QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC")});
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
