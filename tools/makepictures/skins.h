// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

// The three window backgrounds, one per skin.
class Skins
{
public:
    // 200 × 200, an even grey-beige grain that tiles without a seam.
    static QImage traditional();
    // 1024 × 768, deep blue across the middle, lightening towards the
    // top-left and bottom-right corners.
    static QImage skyBlue();
    // 255 × 278, pale cream paper with fine specks.
    static QImage elegant();
};
