// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/fontconfigloader.h"

#include <fontconfig/fontconfig.h>

FontConfigLoader::FontConfigLoader()
    : m_thread([] { FcInit(); })
{}

FontConfigLoader::~FontConfigLoader()
{
    wait();
}

void FontConfigLoader::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}
