// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/application.h"

// The application object of the benchmarks that build the main window: on
// the offscreen platform unless QT_QPA_PLATFORM asks for another, with the
// test-mode data directories, and kept running when its last window closes.
class BenchApplication : public TApplication
{
public:
    BenchApplication(int &argc, char **argv, ErrorBox &errors);
};
