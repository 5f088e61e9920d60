// SPDX-License-Identifier: GPL-3.0-or-later
#include "Unit1/tform1.h"
#include "Unit3/tform3.h"
#include "base/translations.h"
#include "base/winpath.h"
#include "controls/application.h"
#include "controls/errorbox.h"
#include "controls/fontconfigloader.h"
#include "controls/fonts.h"
#include "lessons/lessonsource.h"
#include "wnMain/services.h"
#include "wnMain/tfmmain.h"

#include <QDir>
#include <QFileInfo>

int main(int argc, char *argv[])
{
    // Read while the application object is made; taken before any widget asks for a font.
    FontConfigLoader fontConfig;
    // One error box for the application and every window, made before them all.
    ErrorBox errors;
    TApplication::setApplicationName(QStringLiteral("daro"));
    // The lesson file is read while the window is built; ADODataSet1's open
    // takes the rows, or raises the failure, where it always did.
    const auto lessons = std::make_shared<ReaderLessonSource>();
    lessons->readAhead(localPath(QString::fromUtf16(kLessonFileWindowsPath)), TfmMain::dataSet1CommandText());
    TApplication app(argc, argv, errors);
    fontConfig.wait();
    TApplication::setDesktopFileName(QStringLiteral("io.github.daro.Daro"));
    registerFontSubstitutions();
    // Before the window is built: its data sets report their errors while it is.
    const Translations translations;
    // The recording's folder; when it cannot be made, recording reports its own failure.
    QDir().mkpath(QFileInfo(localPath(QString::fromUtf16(kRecordingWindowsPath))).absolutePath());

    Services services = Services::real();
    services.errors = &errors;
    services.lessons = lessons;
    TfmMain fmMain(std::move(services));
    TForm1 Form1(errors);
    TForm3 Form3(errors);
    fmMain.setDialogs(&Form1, &Form3);
    fmMain.show();
    return TApplication::exec();
}
