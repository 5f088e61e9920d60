// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

// The four toolbar pictures. The window stretches each to 20 × 20 on a light
// toolbar, so they are drawn on the toolbar's own light grey.
class Toolbar
{
public:
    static QImage home();  // 16 × 16, a house
    static QImage mail();  // 32 × 31, an envelope between two circling blue arrows
    static QImage about(); // 16 × 16, a globe with a small person in front of it
    static QImage exit();  // 23 × 26, a tilted magenta tile with a white running figure
};
