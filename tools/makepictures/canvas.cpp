// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas.h"

#include <QPainter>

QImage Canvas::render(QSize size, int factor, const QColor &background, const Drawing &draw)
{
    QImage large(size * factor, QImage::Format_ARGB32_Premultiplied);
    large.fill(background);
    {
        QPainter p(&large);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.scale(factor, factor);
        draw(p);
    }
    QImage small = shrink(large, factor);
    return background.alpha() == 255 ? small.convertToFormat(QImage::Format_RGB32)
                                     : small.convertToFormat(QImage::Format_ARGB32);
}

QImage Canvas::shrink(const QImage &large, int factor)
{
    const QImage src = large.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = src.width() / factor;
    const int h = src.height() / factor;
    QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
    const int count = factor * factor;
    for (int y = 0; y < h; ++y) {
        auto *dst = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            int a = 0, r = 0, g = 0, b = 0;
            for (int dy = 0; dy < factor; ++dy) {
                const auto *row = reinterpret_cast<const QRgb *>(src.constScanLine(y * factor + dy));
                for (int dx = 0; dx < factor; ++dx) {
                    const QRgb px = row[x * factor + dx];
                    a += qAlpha(px);
                    r += qRed(px);
                    g += qGreen(px);
                    b += qBlue(px);
                }
            }
            const auto mean = [count](int sum) { return (sum + count / 2) / count; };
            dst[x] = qRgba(mean(r), mean(g), mean(b), mean(a));
        }
    }
    return out;
}
