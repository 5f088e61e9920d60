// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>

// The designs name Windows fonts; this maps them onto faces found on Linux
// desktops ("宋体" onto a Song-style CJK serif face).
void registerFontSubstitutions();

// "宋体" at a pixel height, as the designs give it.
QFont songFont(int pixelSize, bool bold = false, bool italic = false);
