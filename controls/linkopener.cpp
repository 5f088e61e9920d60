// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/linkopener.h"

#include <QDesktopServices>

bool DesktopLinkOpener::open(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}
