// SPDX-License-Identifier: GPL-3.0-or-later
#include "appicon.h"

#include "canvas.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

// The scene on a 32-unit grid.
constexpr double kGrid = 32.0;
constexpr double kCorner = 3.0;

struct Stop
{
    double at;
    QColor colour;
};

struct Disc
{
    QPointF centre;
    double radius;
};

const QPointF kStarCentre(20.5, 7.5);
constexpr double kStarTall = 6.6;  // centre to upper and lower tip
constexpr double kStarWide = 5.2;  // centre to left and right tip
constexpr double kStarWaist = 1.1; // how far the curved sides stay from the centre
const std::vector<Stop> kStarFill{
    {0.0, QColor(255, 252, 226)}, {0.3, QColor(255, 226, 70)}, {1.0, QColor(246, 170, 0)}};

const Disc kPlanet{{13.0, 20.5}, 8.4};
const QPointF kPlanetLight(16.0, 17.0);
const std::vector<Stop> kPlanetFill{
    {0.0, QColor(120, 176, 255)}, {0.45, QColor(36, 84, 190)}, {1.0, QColor(10, 20, 70)}};
constexpr double kRimWidth = 1.5;
const QPointF kRimLit(19.0, 14.0);
const QPointF kRimShade(7.0, 27.0);
const std::vector<Stop> kRimFill{{0.0, QColor(255, 84, 56)}, {1.0, QColor(168, 14, 20)}};

// Pale cloud bands across the planet, tilted with its axis.
struct Band
{
    QPointF centre;
    double rx, ry;
    double degrees;
    QColor colour;
};
constexpr double kBandTilt = -24.0;
const std::vector<Band> kBands{{{12.0, 18.0}, 11.0, 1.3, kBandTilt, QColor(150, 200, 255, 80)},
                               {{14.0, 22.6}, 11.0, 0.9, kBandTilt, QColor(150, 200, 255, 60)}};

// A faint halo around the star.
constexpr double kGlowRadius = 8.5;
const std::vector<Stop> kGlow{{0.0, QColor(255, 214, 80, 110)}, {1.0, QColor(255, 214, 80, 0)}};

const Disc kMoon{{26.8, 25.4}, 3.0};
const QPointF kMoonLight(27.8, 24.2);
const std::vector<Stop> kMoonFill{
    {0.0, QColor(132, 138, 150)}, {0.55, QColor(66, 70, 80)}, {1.0, QColor(30, 32, 38)}};

// Distant stars.
const std::vector<Disc> kSpecks{
    {{4.5, 4.5}, 0.55}, {{11.0, 3.0}, 0.45}, {{29.0, 13.5}, 0.5}, {{3.5, 12.0}, 0.4}};
const QColor kSpeck(220, 224, 240);

// The window icon's palette, chosen so the antialiased edges of each part
// still find a colour between it and the black.
constexpr int kDitherSpread = 32;
const QList<QRgb> kPalette{
    qRgb(0, 0, 0),       qRgb(255, 255, 255), qRgb(255, 246, 170), qRgb(255, 218, 40),
    qRgb(200, 130, 0),   qRgb(96, 66, 0),     qRgb(255, 80, 56),   qRgb(186, 20, 24),
    qRgb(90, 10, 12),    qRgb(120, 176, 255), qRgb(40, 92, 200),   qRgb(16, 36, 110),
    qRgb(132, 138, 150), qRgb(70, 74, 84),    qRgb(32, 34, 40),    qRgb(140, 144, 160)};

QPainterPath starPath()
{
    const double cx = kStarCentre.x();
    const double cy = kStarCentre.y();
    const double w = kStarWaist;
    QPainterPath star(QPointF(cx, cy - kStarTall));
    star.quadTo(cx + w, cy - w, cx + kStarWide, cy);
    star.quadTo(cx + w, cy + w, cx, cy + kStarTall);
    star.quadTo(cx - w, cy + w, cx - kStarWide, cy);
    star.quadTo(cx - w, cy - w, cx, cy - kStarTall);
    star.closeSubpath();
    return star;
}

template <typename Gradient> void addStops(Gradient &g, const std::vector<Stop> &stops)
{
    for (const Stop &s : stops)
        g.setColorAt(s.at, s.colour);
}

QString num(double v)
{
    return QString::number(v, 'g', 6);
}

QString hex(const QColor &c)
{
    return c.name(QColor::HexRgb);
}

// SVG wants colour and opacity apart.
QString svgPaint(const QString &attribute, const QColor &c)
{
    QString out = QStringLiteral("%1=\"%2\"").arg(attribute, hex(c));
    if (c.alpha() != 255) {
        const QString opacity = attribute == QLatin1String("stop-color")
                                    ? QStringLiteral("stop-opacity")
                                    : attribute + QStringLiteral("-opacity");
        out += QStringLiteral(" %1=\"%2\"").arg(opacity, num(c.alphaF()));
    }
    return out;
}

QString stopsSvg(const std::vector<Stop> &stops)
{
    QString out;
    for (const Stop &s : stops)
        out += QStringLiteral("      <stop offset=\"%1\" %2/>\n")
                   .arg(num(s.at), svgPaint(QStringLiteral("stop-color"), s.colour));
    return out;
}

QString radialSvg(const QString &id, const Disc &disc, QPointF focus, const std::vector<Stop> &stops)
{
    return QStringLiteral(
               "    <radialGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" cx=\"%2\" cy=\"%3\" "
               "r=\"%4\" fx=\"%5\" fy=\"%6\">\n%7    </radialGradient>\n")
        .arg(id, num(disc.centre.x()), num(disc.centre.y()), num(disc.radius), num(focus.x()), num(focus.y()),
             stopsSvg(stops));
}

} // namespace

void AppIcon::paint(QPainter &p, bool rounded, bool detailed)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    if (rounded)
        p.drawRoundedRect(QRectF(0, 0, kGrid, kGrid), kCorner, kCorner);
    else
        p.drawRect(QRectF(0, 0, kGrid, kGrid));

    p.setBrush(kSpeck);
    for (const Disc &d : kSpecks)
        p.drawEllipse(d.centre, d.radius, d.radius);

    QRadialGradient planet(kPlanet.centre, kPlanet.radius, kPlanetLight);
    addStops(planet, kPlanetFill);
    QLinearGradient rim(kRimLit, kRimShade);
    addStops(rim, kRimFill);
    p.setBrush(planet);
    p.drawEllipse(kPlanet.centre, kPlanet.radius, kPlanet.radius);
    if (detailed) {
        QPainterPath disc;
        disc.addEllipse(kPlanet.centre, kPlanet.radius, kPlanet.radius);
        p.save();
        p.setClipPath(disc);
        for (const Band &b : kBands) {
            p.save();
            p.translate(b.centre);
            p.rotate(b.degrees);
            p.setBrush(b.colour);
            p.drawEllipse(QPointF(0, 0), b.rx, b.ry);
            p.restore();
        }
        p.restore();
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QBrush(rim), kRimWidth));
    p.drawEllipse(kPlanet.centre, kPlanet.radius, kPlanet.radius);

    QRadialGradient moon(kMoon.centre, kMoon.radius, kMoonLight);
    addStops(moon, kMoonFill);
    p.setPen(Qt::NoPen);
    p.setBrush(moon);
    p.drawEllipse(kMoon.centre, kMoon.radius, kMoon.radius);

    if (detailed) {
        QRadialGradient glow(kStarCentre, kGlowRadius);
        addStops(glow, kGlow);
        p.setBrush(glow);
        p.drawEllipse(kStarCentre, kGlowRadius, kGlowRadius);
    }

    QRadialGradient star(kStarCentre, kStarTall);
    addStops(star, kStarFill);
    p.setBrush(star);
    p.drawPath(starPath());
}

QImage AppIcon::render(int size, bool rounded)
{
    // Small sizes need more samples per pixel for the same smoothness.
    const int factor = size <= 32 ? 8 : size <= 64 ? 4 : 2;
    const QColor background = rounded ? QColor(Qt::transparent) : QColor(Qt::black);
    // Below 48 pixels the bands and the halo only smudge.
    const bool detailed = size >= 48;
    return Canvas::render(QSize(size, size), factor, background, [size, rounded, detailed](QPainter &p) {
        p.scale(size / kGrid, size / kGrid);
        paint(p, rounded, detailed);
    });
}

QImage AppIcon::sixteenColours()
{
    return toPalette(render(int(kGrid), false), kPalette, kDitherSpread);
}

QImage AppIcon::toPalette(const QImage &image, const QList<QRgb> &palette, int spread)
{
    // A 4 × 4 ordered dither turns the planet's gradient into a fine pattern
    // instead of a few hard-edged patches, as old 16-colour icons did.
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    QImage out(src.size(), QImage::Format_Indexed8);
    out.setColorTable(palette);
    for (int y = 0; y < src.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(src.constScanLine(y));
        uchar *idx = out.scanLine(y);
        for (int x = 0; x < src.width(); ++x) {
            const int nudge = (bayer[y % 4][x % 4] - 8) * spread / 16;
            const int r = std::clamp(qRed(in[x]) + nudge, 0, 255);
            const int g = std::clamp(qGreen(in[x]) + nudge, 0, 255);
            const int b = std::clamp(qBlue(in[x]) + nudge, 0, 255);
            int best = 0;
            int bestDistance = std::numeric_limits<int>::max();
            for (int i = 0; i < palette.size(); ++i) {
                // Weighted roughly as the eye weighs the channels.
                const int dr = r - qRed(palette[i]);
                const int dg = g - qGreen(palette[i]);
                const int db = b - qBlue(palette[i]);
                const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
                if (d < bestDistance) {
                    bestDistance = d;
                    best = i;
                }
            }
            idx[x] = uchar(best);
        }
    }
    return out;
}

QByteArray AppIcon::svg()
{
    const double cx = kStarCentre.x();
    const double cy = kStarCentre.y();
    const double w = kStarWaist;
    const QString star =
        QStringLiteral("M%1,%2 Q%3,%4 %5,%6 Q%3,%7 %1,%8 Q%9,%7 %10,%6 Q%9,%4 %1,%2 Z")
            .arg(num(cx), num(cy - kStarTall), num(cx + w), num(cy - w), num(cx + kStarWide), num(cy),
                 num(cy + w), num(cy + kStarTall), num(cx - w), num(cx - kStarWide));

    QString specks;
    for (const Disc &d : kSpecks)
        specks += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\"/>\n")
                      .arg(num(d.centre.x()), num(d.centre.y()), num(d.radius), hex(kSpeck));

    QString out;
    out += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    out += QStringLiteral("<!-- SPDX-License-Identifier: GPL-3.0-or-later -->\n");
    out += QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"128\" height=\"128\" "
                          "viewBox=\"0 0 32 32\">\n");
    out += QStringLiteral("  <title>daro</title>\n");
    out += QStringLiteral("  <defs>\n");
    out += radialSvg(QStringLiteral("planet"), kPlanet, kPlanetLight, kPlanetFill);
    out +=
        QStringLiteral("    <linearGradient id=\"rim\" gradientUnits=\"userSpaceOnUse\" x1=\"%1\" y1=\"%2\" "
                       "x2=\"%3\" y2=\"%4\">\n%5    </linearGradient>\n")
            .arg(num(kRimLit.x()), num(kRimLit.y()), num(kRimShade.x()), num(kRimShade.y()),
                 stopsSvg(kRimFill));
    out += radialSvg(QStringLiteral("moon"), kMoon, kMoonLight, kMoonFill);
    out += radialSvg(QStringLiteral("star"), Disc{kStarCentre, kStarTall}, kStarCentre, kStarFill);
    out += radialSvg(QStringLiteral("glow"), Disc{kStarCentre, kGlowRadius}, kStarCentre, kGlow);
    out += QStringLiteral("    <clipPath id=\"disc\"><circle cx=\"%1\" cy=\"%2\" r=\"%3\"/></clipPath>\n")
               .arg(num(kPlanet.centre.x()), num(kPlanet.centre.y()), num(kPlanet.radius));
    out += QStringLiteral("  </defs>\n");
    out +=
        QStringLiteral("  <rect width=\"32\" height=\"32\" rx=\"%1\" fill=\"#000000\"/>\n").arg(num(kCorner));
    out += specks;
    out += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"url(#planet)\"/>\n")
               .arg(num(kPlanet.centre.x()), num(kPlanet.centre.y()), num(kPlanet.radius));
    out += QStringLiteral("  <g clip-path=\"url(#disc)\">\n");
    for (const Band &b : kBands)
        out += QStringLiteral("    <ellipse cx=\"0\" cy=\"0\" rx=\"%1\" ry=\"%2\" %3 "
                              "transform=\"translate(%4 %5) rotate(%6)\"/>\n")
                   .arg(num(b.rx), num(b.ry), svgPaint(QStringLiteral("fill"), b.colour), num(b.centre.x()),
                        num(b.centre.y()), num(b.degrees));
    out += QStringLiteral("  </g>\n");
    out += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"none\" stroke=\"url(#rim)\" "
                          "stroke-width=\"%4\"/>\n")
               .arg(num(kPlanet.centre.x()), num(kPlanet.centre.y()), num(kPlanet.radius), num(kRimWidth));
    out += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"url(#moon)\"/>\n")
               .arg(num(kMoon.centre.x()), num(kMoon.centre.y()), num(kMoon.radius));
    out += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"url(#glow)\"/>\n")
               .arg(num(kStarCentre.x()), num(kStarCentre.y()), num(kGlowRadius));
    out += QStringLiteral("  <path d=\"%1\" fill=\"url(#star)\"/>\n").arg(star);
    out += QStringLiteral("</svg>\n");
    return out.toUtf8();
}
