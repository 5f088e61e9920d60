// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/winpath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The file name after a known Windows folder, or a null string. The name must
// be a plain file name: no further folders and no way out of the folder.
QString nameUnder(const QString &windowsPath, const QString &folder)
{
    if (!windowsPath.startsWith(folder, Qt::CaseInsensitive))
        return {};
    const QString name = windowsPath.mid(folder.size());
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char('/')))
        return {};
    return name;
}

} // namespace

QString programDir()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    // Where Qt looks too, once the application object exists.
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
}

QString lessonDataDir()
{
    return QDir::cleanPath(programDir() + QLatin1String("/../share/daro"));
}

QString localPath(const QString &windowsPath)
{
    if (const QString name = nameUnder(windowsPath, QStringLiteral("E:\\daro\\")); !name.isNull()) {
        if (const QString found = QStandardPaths::locate(QStandardPaths::AppDataLocation, name);
            !found.isEmpty())
            return QDir::cleanPath(found);
        return lessonDataDir() + QLatin1Char('/') + name;
    }
    if (const QString name = nameUnder(windowsPath, QStringLiteral("c:\\windows\\")); !name.isNull())
        return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QLatin1Char('/') +
               name;
    return {};
}
