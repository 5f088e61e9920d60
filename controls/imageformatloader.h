// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <thread>

// Loads Qt's image format plugins on a thread of its own. The first picture
// whose format Qt has to find out (the menu bar's standard icons are such
// pictures) otherwise loads every plugin on the window's thread, to ask each
// whether it can read it. Qt's plugin loader serialises the loading, so the
// window simply finds them loaded, or waits for the one under way.
//
// Make it once the application object exists: plugins are looked up in its
// library paths.
class ImageFormatLoader
{
public:
    ImageFormatLoader();
    ~ImageFormatLoader();
    ImageFormatLoader(const ImageFormatLoader &) = delete;
    ImageFormatLoader &operator=(const ImageFormatLoader &) = delete;

private:
    std::thread m_thread;
};
