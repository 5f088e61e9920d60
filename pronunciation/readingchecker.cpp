// SPDX-License-Identifier: GPL-3.0-or-later
#include "pronunciation/readingchecker.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <dlfcn.h>

#include <mutex>

namespace {

using MakeChecker = ReadingChecker *(*)(const RecogniserModel *, const RecogniserSettings *,
                                        const JudgeThresholds *, QString *);

} // namespace

std::unique_ptr<ReadingChecker> loadReadingChecker(const RecogniserModel &model,
                                                   const RecogniserSettings &settings,
                                                   const JudgeThresholds &thresholds, QString *error)
{
    // Loaded once and never unloaded: the checkers' code lives in it.
    static std::mutex mutex;
    static MakeChecker make = nullptr;
    static QString failure;
    {
        std::lock_guard lock(mutex);
        if (!make && failure.isEmpty()) {
            // Where it lies from the program's own directory, the same in
            // the build tree as installed.
            const QString path = QDir(QCoreApplication::applicationDirPath())
                                     .absoluteFilePath(QStringLiteral(DARO_RECOGNISER_MODULE));
            void *module = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
            if (module)
                make = reinterpret_cast<MakeChecker>(dlsym(module, "daro_make_reading_checker"));
            if (!make)
                failure = QStringLiteral("the recogniser module does not load: %1")
                              .arg(QString::fromLocal8Bit(dlerror()));
        }
    }
    if (!make) {
        if (error)
            *error = failure;
        return nullptr;
    }
    return std::unique_ptr<ReadingChecker>(make(&model, &settings, &thresholds, error));
}
