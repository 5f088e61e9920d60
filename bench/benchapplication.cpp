// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/benchapplication.h"

#include <QStandardPaths>

namespace {

// Before the application object: the platform is chosen while it is made.
int &offscreenUnlessSet(int &argc)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return argc;
}

} // namespace

BenchApplication::BenchApplication(int &argc, char **argv)
    : TApplication(offscreenUnlessSet(argc), argv)
{
    setApplicationName(QStringLiteral("daro"));
    QStandardPaths::setTestModeEnabled(true);
    setQuitOnLastWindowClosed(false);
}
