// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

#include <functional>

class QPainter;

// Draws a small picture several times larger than its final size and averages
// it down, which gives even edges at sizes where a single antialiased pass
// looks fuzzy or blotchy.
class Canvas
{
public:
    using Drawing = std::function<void(QPainter &)>;

    // `draw` paints in final-pixel units; the painter is already scaled and
    // antialiased. A transparent background gives a picture with alpha.
    static QImage render(QSize size, int factor, const QColor &background, const Drawing &draw);

    // Averages each factor × factor block of premultiplied pixels.
    static QImage shrink(const QImage &large, int factor);
};
