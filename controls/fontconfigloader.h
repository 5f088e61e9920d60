// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <thread>

// Reads the system's font configuration and font list on a thread of its own
// while the application object is being made. The first widget to ask for a
// font otherwise pays for it on the window's thread; with it read already,
// Qt's font database only lists what is there.
class FontConfigLoader
{
public:
    FontConfigLoader();
    // Waits for the reading, if wait() was not called.
    ~FontConfigLoader();
    FontConfigLoader(const FontConfigLoader &) = delete;
    FontConfigLoader &operator=(const FontConfigLoader &) = delete;

    // Call before the first font is looked up, so that the configuration is
    // not read twice at the same time.
    void wait();

private:
    std::thread m_thread;
};
