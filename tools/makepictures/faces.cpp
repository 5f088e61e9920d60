// SPDX-License-Identifier: GPL-3.0-or-later
#include "faces.h"

#include "canvas.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

constexpr int kFactor = 8;
const QColor kSkyBlue(166, 202, 240);
const QColor kInk(92, 50, 8);
const QPointF kCentre(10.0, 10.0);

QPen ink(double width)
{
    return QPen(kInk, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void head(QPainter &p)
{
    QRadialGradient yellow(kCentre, 9.2, kCentre + QPointF(-3.0, -3.4));
    yellow.setColorAt(0.0, QColor(255, 250, 176));
    yellow.setColorAt(0.45, QColor(255, 218, 40));
    yellow.setColorAt(1.0, QColor(232, 160, 0));
    p.setPen(ink(0.9));
    p.setBrush(yellow);
    p.drawEllipse(kCentre, 8.9, 8.9);
}

void eyes(QPainter &p, double top)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(7.0, top), 1.05, 1.5);
    p.drawEllipse(QPointF(13.0, top), 1.05, 1.5);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QPointF(6.7, top - 0.6), 0.35, 0.35);
    p.drawEllipse(QPointF(12.7, top - 0.6), 0.35, 0.35);
}

} // namespace

QImage Faces::right()
{
    return Canvas::render(QSize(20, 20), kFactor, kSkyBlue, [](QPainter &p) {
        head(p);
        eyes(p, 7.4);

        // A wide open grin with a row of teeth.
        QPainterPath mouth;
        mouth.moveTo(4.6, 10.6);
        mouth.quadTo(10.0, 12.2, 15.4, 10.6);
        mouth.quadTo(14.8, 16.6, 10.0, 16.6);
        mouth.quadTo(5.2, 16.6, 4.6, 10.6);
        mouth.closeSubpath();
        p.setPen(ink(0.9));
        p.setBrush(QColor(150, 28, 20));
        p.drawPath(mouth);
        p.save();
        p.setClipPath(mouth);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.0, 9.0, 12.0, 3.6));
        p.setBrush(QColor(240, 96, 96));
        p.drawEllipse(QPointF(10.0, 17.2), 3.2, 1.8);
        p.restore();
        p.setPen(ink(0.9));
        p.setBrush(Qt::NoBrush);
        p.drawPath(mouth);
    });
}

QImage Faces::wrong()
{
    return Canvas::render(QSize(20, 20), kFactor, kSkyBlue, [](QPainter &p) {
        head(p);
        eyes(p, 8.0);

        // Brows raised in the middle.
        p.setPen(ink(0.8));
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(5.2, 5.6), QPointF(8.2, 4.6));
        p.drawLine(QPointF(14.8, 5.6), QPointF(11.8, 4.6));

        // A downturned mouth.
        QPainterPath mouth;
        mouth.moveTo(6.0, 15.0);
        mouth.quadTo(10.0, 10.8, 14.0, 15.0);
        p.setPen(ink(1.3));
        p.drawPath(mouth);
    });
}
