// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolbar.h"

#include "canvas.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kFactor = 8;
const QColor kBackground(240, 240, 240);

QPen outline(const QColor &colour, double width = 1.0)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A point on a circle, the angle in degrees counter-clockwise from three o'clock.
QPointF onCircle(QPointF centre, double radius, double degrees)
{
    const double a = degrees * kPi / 180.0;
    return centre + QPointF(std::cos(a), -std::sin(a)) * radius;
}

// A clockwise arc from `from` to `to` degrees with an arrowhead at its end.
void circlingArrow(QPainter &p, QPointF centre, double radius, double from, double to)
{
    QLinearGradient blue(onCircle(centre, radius, from), onCircle(centre, radius, to));
    blue.setColorAt(0.0, QColor(120, 190, 255));
    blue.setColorAt(1.0, QColor(22, 94, 214));

    QPainterPath arc;
    arc.arcMoveTo(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), from);
    arc.arcTo(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), from, to - from);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(14, 60, 150), 3.6, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(arc);
    p.setPen(QPen(QBrush(blue), 2.2, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(arc);

    const double a = to * kPi / 180.0;
    const QPointF end = onCircle(centre, radius, to);
    const QPointF ahead(std::sin(a), std::cos(a)); // direction of clockwise travel
    const QPointF side(std::cos(a), -std::sin(a)); // outwards from the centre
    QPolygonF head;
    head << end + ahead * 3.6 << end + side * 3.0 - ahead * 0.2 << end - side * 3.0 - ahead * 0.2;
    p.setPen(outline(QColor(14, 60, 150), 0.7));
    p.setBrush(QColor(22, 94, 214));
    p.drawPolygon(head);
}

} // namespace

QImage Toolbar::home()
{
    return Canvas::render(QSize(16, 16), kFactor, kBackground, [](QPainter &p) {
        const QColor dark(90, 52, 28);

        // Chimney, behind the roof.
        p.setPen(outline(dark, 0.9));
        p.setBrush(QColor(168, 74, 48));
        p.drawRect(QRectF(10.5, 2.5, 2.0, 4.0));

        // Walls.
        QLinearGradient wall(0, 7, 0, 15);
        wall.setColorAt(0.0, QColor(255, 247, 222));
        wall.setColorAt(1.0, QColor(232, 212, 164));
        p.setBrush(wall);
        p.drawRect(QRectF(3.5, 7.5, 9.0, 7.0));

        // Roof.
        QLinearGradient tiles(0, 1.5, 0, 8.5);
        tiles.setColorAt(0.0, QColor(246, 112, 70));
        tiles.setColorAt(1.0, QColor(180, 38, 24));
        QPolygonF roof;
        roof << QPointF(1.0, 8.5) << QPointF(8.0, 1.5) << QPointF(15.0, 8.5);
        p.setPen(outline(QColor(118, 24, 14), 0.9));
        p.setBrush(tiles);
        p.drawPolygon(roof);

        // Door and window.
        p.setPen(outline(dark, 0.8));
        p.setBrush(QColor(140, 86, 40));
        p.drawRect(QRectF(5.5, 10.5, 3.0, 4.0));
        p.setBrush(QColor(150, 206, 255));
        p.drawRect(QRectF(9.5, 9.5, 2.0, 2.0));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 220, 120));
        p.drawEllipse(QPointF(7.6, 12.6), 0.4, 0.4);

        // A strip of grass.
        p.setBrush(QColor(96, 168, 64));
        p.drawRoundedRect(QRectF(1.5, 14.5, 13.0, 1.3), 0.6, 0.6);
    });
}

QImage Toolbar::mail()
{
    return Canvas::render(QSize(32, 31), kFactor, kBackground, [](QPainter &p) {
        const QPointF centre(16.0, 15.5);
        circlingArrow(p, centre, 12.0, 160.0, 32.0);
        circlingArrow(p, centre, 12.0, -20.0, -148.0);

        const QRectF body(8.5, 10.5, 15.0, 10.0);
        QLinearGradient paper(0, body.top(), 0, body.bottom());
        paper.setColorAt(0.0, QColor(255, 255, 255));
        paper.setColorAt(1.0, QColor(226, 234, 244));
        const QColor edge(74, 92, 118);
        p.setPen(outline(edge, 1.0));
        p.setBrush(paper);
        p.drawRect(body);

        p.setPen(outline(QColor(150, 164, 184), 0.8));
        p.drawLine(body.bottomLeft(), QPointF(14.2, 15.6));
        p.drawLine(body.bottomRight(), QPointF(17.8, 15.6));

        QPolygonF flap;
        flap << body.topLeft() << QPointF(16.0, 16.5) << body.topRight();
        QLinearGradient fold(0, body.top(), 0, 16.5);
        fold.setColorAt(0.0, QColor(246, 248, 252));
        fold.setColorAt(1.0, QColor(214, 224, 238));
        p.setPen(outline(edge, 0.9));
        p.setBrush(fold);
        p.drawPolygon(flap);

        // A red seal where the flap closes.
        p.setPen(outline(QColor(130, 20, 20), 0.6));
        p.setBrush(QColor(214, 48, 40));
        p.drawEllipse(QPointF(16.0, 15.6), 1.3, 1.3);
    });
}

QImage Toolbar::about()
{
    return Canvas::render(QSize(16, 16), kFactor, kBackground, [](QPainter &p) {
        const QPointF centre(7.0, 7.0);
        const double radius = 6.2;

        QRadialGradient sea(centre, radius, centre + QPointF(-2.4, -2.6));
        sea.setColorAt(0.0, QColor(160, 218, 255));
        sea.setColorAt(0.55, QColor(46, 130, 222));
        sea.setColorAt(1.0, QColor(18, 70, 160));
        p.setPen(Qt::NoPen);
        p.setBrush(sea);
        p.drawEllipse(centre, radius, radius);

        QPainterPath globe;
        globe.addEllipse(centre, radius, radius);
        p.save();
        p.setClipPath(globe);
        QPainterPath land;
        land.moveTo(2.0, 3.6);
        land.cubicTo(3.6, 2.0, 6.6, 2.2, 7.2, 3.8);
        land.cubicTo(7.6, 5.2, 5.6, 5.4, 5.8, 7.0);
        land.cubicTo(6.0, 8.6, 4.4, 10.4, 3.6, 9.0);
        land.cubicTo(2.8, 7.6, 1.2, 6.8, 1.0, 5.6);
        land.closeSubpath();
        land.moveTo(8.6, 5.4);
        land.cubicTo(10.0, 4.4, 12.6, 5.0, 12.8, 6.6);
        land.cubicTo(13.0, 8.2, 10.8, 8.2, 10.2, 10.0);
        land.cubicTo(9.6, 11.6, 8.0, 11.2, 8.4, 9.4);
        land.cubicTo(8.7, 8.0, 7.6, 6.4, 8.6, 5.4);
        land.closeSubpath();
        QLinearGradient green(0, 1, 0, 13);
        green.setColorAt(0.0, QColor(150, 220, 100));
        green.setColorAt(1.0, QColor(44, 138, 52));
        p.setBrush(green);
        p.drawPath(land);

        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 255, 255, 90), 0.5));
        p.drawEllipse(centre, radius * 0.45, radius);
        p.drawLine(QPointF(centre.x(), 0.0), QPointF(centre.x(), 14.0));
        p.drawLine(QPointF(0.0, centre.y()), QPointF(14.0, centre.y()));
        p.restore();

        p.setPen(outline(QColor(16, 56, 128), 0.8));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(centre, radius, radius);

        // The person, set off from the globe by a rim of background colour.
        QPainterPath person;
        person.addEllipse(QPointF(12.2, 9.0), 1.8, 1.8);
        QPainterPath body;
        body.addRoundedRect(QRectF(9.2, 11.4, 6.0, 6.0), 2.4, 2.4);
        p.setPen(QPen(kBackground, 1.6));
        p.drawPath(person);
        p.drawPath(body);
        p.setPen(outline(QColor(128, 40, 16), 0.7));
        QLinearGradient shirt(0, 11.4, 0, 16);
        shirt.setColorAt(0.0, QColor(255, 140, 70));
        shirt.setColorAt(1.0, QColor(214, 70, 30));
        p.setBrush(shirt);
        p.drawPath(body);
        p.setPen(outline(QColor(120, 70, 40), 0.7));
        p.setBrush(QColor(250, 208, 160));
        p.drawPath(person);
    });
}

QImage Toolbar::exit()
{
    return Canvas::render(QSize(23, 26), kFactor, kBackground, [](QPainter &p) {
        p.translate(11.5, 13.0);
        p.rotate(-12.0);

        const QRectF tile(-8.5, -10.0, 17.0, 20.0);
        QLinearGradient magenta(tile.topLeft(), tile.bottomRight());
        magenta.setColorAt(0.0, QColor(246, 82, 178));
        magenta.setColorAt(1.0, QColor(176, 16, 118));
        p.setPen(outline(QColor(112, 8, 76), 0.8));
        p.setBrush(magenta);
        p.drawRoundedRect(tile, 3.0, 3.0);

        QLinearGradient gloss(0, tile.top(), 0, 0);
        gloss.setColorAt(0.0, QColor(255, 255, 255, 80));
        gloss.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(gloss);
        p.drawRoundedRect(tile.adjusted(1.0, 1.0, -1.0, -10.0), 2.2, 2.2);

        // The runner, leaning into his stride.
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(2.6, -6.4), 1.9, 1.9);
        p.setPen(QPen(Qt::white, 2.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(1.4, -3.6), QPointF(-0.6, 1.6));
        p.setPen(QPen(Qt::white, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(1.0, -2.8), QPointF(3.4, -0.9), QPointF(5.6, -2.2)}));
        p.drawPolyline(QPolygonF({QPointF(1.0, -2.8), QPointF(-1.8, -1.8), QPointF(-3.8, -3.6)}));
        p.drawPolyline(QPolygonF({QPointF(-0.6, 1.6), QPointF(2.4, 3.8), QPointF(1.6, 7.6)}));
        p.drawPolyline(QPolygonF({QPointF(-0.6, 1.6), QPointF(-2.4, 4.8), QPointF(-5.8, 5.4)}));
    });
}
