// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recorder/waveheader.h"

#include <QByteArrayView>
#include <QtGlobal>

#include <vector>

// The samples of an integer PCM wave file's data (isIntegerPcm) as 16-bit
// mono, the channels mixed: 8-bit samples are unsigned, the others signed
// little-endian, and 24- and 32-bit ones keep their top 16 bits. Only whole
// frames of `data` count.
std::vector<qint16> monoSamples(const WaveInfo &info, QByteArrayView data);
