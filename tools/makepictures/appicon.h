// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>

class QPainter;

// The application icon: a yellow four-pointed star above a red-rimmed planet
// and a small dark moon, on black. One description of the scene feeds both the
// raster renderings and the SVG, so the two always show the same picture.
class AppIcon
{
public:
    // True colour at `size` × `size`; `rounded` trims the black tile's
    // corners to transparency, as desktop icon themes expect. Small sizes
    // leave out the finest details.
    static QImage render(int size, bool rounded);

    // The 32 × 32 window icon in an indexed palette of at most 16 colours.
    static QImage sixteenColours();

    // The same scene as SVG text on a 32-unit grid.
    static QByteArray svg();

    // Maps every pixel to the nearest colour of `palette` after an ordered
    // dither that moves each channel by up to `spread` / 2.
    static QImage toPalette(const QImage &image, const QList<QRgb> &palette, int spread);

private:
    static void paint(QPainter &p, bool rounded, bool detailed);
};
