// SPDX-License-Identifier: GPL-3.0-or-later
#include "grain.h"

#include <cmath>

namespace {

quint32 scramble(quint32 x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

int wrap(int i, int n)
{
    const int r = i % n;
    return r < 0 ? r + n : r;
}

double ease(double t)
{
    return t * t * (3.0 - 2.0 * t);
}

} // namespace

double Grain::white(int x, int y) const
{
    const quint32 h = scramble(m_seed ^ scramble(quint32(x) + scramble(quint32(y) + 0x9e3779b9U)));
    return double(h >> 8) / double(1U << 24);
}

double Grain::smooth(double x, double y, int cell, int period) const
{
    const int n = period / cell;
    const double gx = x / cell;
    const double gy = y / cell;
    const int ix = int(std::floor(gx));
    const int iy = int(std::floor(gy));
    const double tx = ease(gx - ix);
    const double ty = ease(gy - iy);
    const auto at = [&](int i, int j) { return white(wrap(i, n) + 7919 * cell, wrap(j, n)); };
    const double top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * tx;
    const double bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * tx;
    return top + (bottom - top) * ty;
}

double Grain::fractal(double x, double y, int cell, int period, int octaves) const
{
    double sum = 0.0;
    double weight = 1.0;
    double total = 0.0;
    for (int i = 0; i < octaves && cell >= 1; ++i) {
        sum += weight * smooth(x, y, cell, period);
        total += weight;
        weight *= 0.5;
        cell /= 2;
    }
    return total > 0.0 ? sum / total : 0.0;
}
