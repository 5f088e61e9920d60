// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// Seeded, platform-independent noise: the same seed always gives the same
// pictures, so regenerating them leaves the committed files unchanged.
class Grain
{
public:
    explicit Grain(quint32 seed)
        : m_seed(seed)
    {}

    // A uniform value in [0, 1) for each integer pair.
    double white(int x, int y) const;

    // Smooth value noise in [0, 1) on a lattice of `cell` pixels that repeats
    // every `period` pixels in both directions (period a multiple of cell).
    double smooth(double x, double y, int cell, int period) const;

    // Octaves of smooth noise, each of half the cell and amplitude of the one
    // before; the result stays in [0, 1).
    double fractal(double x, double y, int cell, int period, int octaves) const;

private:
    quint32 m_seed;
};
