// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins.h"

#include "grain.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

int channel(double v)
{
    return std::clamp(int(std::lround(v)), 0, 255);
}

double mix(double a, double b, double t)
{
    return a + (b - a) * t;
}

// Adds a little noise so that wide, smooth gradients do not band into steps.
void dither(QImage &image, const Grain &grain, double amount)
{
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const double d = (grain.white(x, y) - 0.5) * amount;
            const QRgb px = row[x];
            row[x] = qRgb(channel(qRed(px) + d), channel(qGreen(px) + d), channel(qBlue(px) + d));
        }
    }
}

} // namespace

QImage Skins::traditional()
{
    constexpr int size = 200;
    const Grain grain(0x7a11);
    QImage image(size, size, QImage::Format_RGB32);
    for (int y = 0; y < size; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size; ++x) {
            // Every term repeats with a period dividing the tile, so the tile
            // wraps seamlessly when a window stretches or repeats it.
            const double cloud = grain.fractal(x, y, 40, size, 3) - 0.5;
            const double fleck = grain.smooth(x, y, 2, size) - 0.5;
            const double speck = grain.white(x, y) - 0.5;
            const double v = cloud * 9.0 + fleck * 9.0 + speck * 9.0;
            row[x] = qRgb(channel(205 + v), channel(196 + v * 0.95), channel(178 + v * 0.85));
        }
    }
    return image;
}

QImage Skins::skyBlue()
{
    constexpr int w = 1024;
    constexpr int h = 768;
    QImage image(w, h, QImage::Format_RGB32);
    // Per pixel rather than a QLinearGradient: the light must run along the
    // top-left/bottom-right diagonal of a non-square picture.
    const QColor deep(34, 86, 168);
    const QColor middle(74, 138, 214);
    const QColor light(206, 230, 251);
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double s = (double(x) / w + double(y) / h) / 2.0;
            const double d = std::abs(s - 0.5) * 2.0; // 0 on the other diagonal, 1 in the two corners
            const double t = std::pow(d, 1.6);
            double r, g, b;
            if (t < 0.55) {
                const double u = t / 0.55;
                r = mix(deep.red(), middle.red(), u);
                g = mix(deep.green(), middle.green(), u);
                b = mix(deep.blue(), middle.blue(), u);
            } else {
                const double u = (t - 0.55) / 0.45;
                r = mix(middle.red(), light.red(), u);
                g = mix(middle.green(), light.green(), u);
                b = mix(middle.blue(), light.blue(), u);
            }
            row[x] = qRgb(channel(r), channel(g), channel(b));
        }
    }

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Soft glows in the two light corners.
    for (const QPointF &corner : {QPointF(0, 0), QPointF(w, h)}) {
        QRadialGradient glow(corner, 420);
        glow.setColorAt(0.0, QColor(255, 255, 255, 120));
        glow.setColorAt(0.5, QColor(240, 248, 255, 40));
        glow.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.fillRect(image.rect(), glow);
    }
    // A few faint streaks of light along the dark band, like high thin cloud.
    const Grain streaks(0x5b1e);
    p.setPen(Qt::NoPen);
    constexpr int count = 5;
    for (int i = 0; i < count; ++i) {
        const double along = 0.15 + 0.7 * (i + 0.2 + 0.6 * streaks.white(i, 0)) / count;
        const double across = (streaks.white(i, 1) - 0.5) * 220.0;
        const double length = 320.0 + 260.0 * streaks.white(i, 2);
        const double thickness = 40.0 + 50.0 * streaks.white(i, 3);
        const QPointF centre(along * w + across * 0.6, (1.0 - along) * h + across * 0.8);
        p.save();
        p.translate(centre);
        p.rotate(-std::atan2(double(h), double(w)) * 180.0 / kPi);
        QRadialGradient wisp(QPointF(0, 0), length / 2.0);
        wisp.setColorAt(0.0, QColor(255, 255, 255, 26));
        wisp.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.scale(1.0, thickness / length);
        p.setBrush(wisp);
        p.drawEllipse(QPointF(0, 0), length / 2.0, length / 2.0);
        p.restore();
    }
    p.end();

    dither(image, Grain(0x51e7), 3.0);
    return image;
}

QImage Skins::elegant()
{
    constexpr int w = 255;
    constexpr int h = 278;
    const Grain grain(0xe1e6);
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            // Gentle mottling and a faint horizontal laid texture, as in paper.
            const double mottle = grain.fractal(x, y, 64, 512, 3) - 0.5;
            const double laid = std::sin(y * 2.0 * kPi / 3.0) * 0.6;
            const double fine = grain.white(x, y) - 0.5;
            const double v = mottle * 8.0 + laid + fine * 3.0;
            row[x] = qRgb(channel(247 + v), channel(241 + v), channel(224 + v * 1.2));
        }
    }

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const Grain specks(0x5ec5);
    for (int i = 0; i < 700; ++i) {
        const QPointF at(specks.white(i, 0) * w, specks.white(i, 1) * h);
        const double size = 0.25 + 0.55 * std::pow(specks.white(i, 2), 2.0);
        const int alpha = 40 + int(150 * specks.white(i, 3));
        const bool dark = specks.white(i, 4) < 0.85;
        p.setBrush(dark ? QColor(110, 92, 70, alpha) : QColor(196, 170, 120, alpha));
        p.drawEllipse(at, size, size);
    }
    // Short pale fibres.
    for (int i = 0; i < 60; ++i) {
        const QPointF at(specks.white(i, 10) * w, specks.white(i, 11) * h);
        const double angle = specks.white(i, 12) * 2.0 * kPi;
        const double length = 2.0 + 5.0 * specks.white(i, 13);
        const QPointF to = at + QPointF(std::cos(angle), std::sin(angle)) * length;
        p.setPen(QPen(QColor(170, 150, 115, 36), 0.6, Qt::SolidLine, Qt::RoundCap));
        QPainterPath fibre(at);
        fibre.quadTo((at + to) / 2.0 + QPointF(std::sin(angle), -std::cos(angle)) * 1.2, to);
        p.drawPath(fibre);
    }
    return image;
}
