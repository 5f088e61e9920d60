// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

// The dictation verdict faces, 20 × 20 on the practice panel's sky blue.
class Faces
{
public:
    static QImage right(); // a grinning yellow face
    static QImage wrong(); // a sad yellow face
};
