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

BenchApplication::BenchApplication(int &argc, char **argv, ErrorBox &errors)
    : TApplication(offscreenUnlessSet(argc), argv, errors)
{
    setApplicationName(QStringLiteral("daro"));
    QStandardPaths::setTestModeEnabled(true);
    setQuitOnLastWindowClosed(false);
}
