// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the program's pictures and icons into a resources folder:
//   makepictures <resources-dir>
#include "appicon.h"
#include "faces.h"
#include "skins.h"
#include "toolbar.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QTextStream>

#include <cstdio>
#include <stdexcept>

namespace {

constexpr int kJpegQuality = 90;

void makeFolderFor(const QString &path)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        throw std::runtime_error("cannot create the folder for " + path.toStdString());
}

void writeImage(const QString &path, const QImage &image, const QByteArray &format, int quality = -1)
{
    makeFolderFor(path);
    QImageWriter writer(path, format);
    writer.setQuality(quality);
    if (!writer.write(image))
        throw std::runtime_error(path.toStdString() + ": " + writer.errorString().toStdString());
    QTextStream(stdout) << path << ' ' << image.width() << 'x' << image.height() << '\n';
}

void writeText(const QString &path, const QByteArray &text)
{
    makeFolderFor(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        throw std::runtime_error(path.toStdString() + ": " + file.errorString().toStdString());
    QTextStream(stdout) << path << '\n';
}

} // namespace

int main(int argc, char **argv)
{
    // QPainter on QImage needs the font and raster set-up of a GUI application,
    // but no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        std::fputs("usage: makepictures <resources-dir>\n", stderr);
        return 2;
    }
    const QDir out(args.at(1));

    try {
        const auto jpeg = [&](const QString &name, const QImage &image) {
            writeImage(out.filePath(QStringLiteral("images/") + name), image, "jpeg", kJpegQuality);
        };
        jpeg(QStringLiteral("skin-traditional.jpg"), Skins::traditional());
        jpeg(QStringLiteral("skin-skyblue.jpg"), Skins::skyBlue());
        jpeg(QStringLiteral("skin-elegant.jpg"), Skins::elegant());
        jpeg(QStringLiteral("toolbar-home.jpg"), Toolbar::home());
        jpeg(QStringLiteral("toolbar-mail.jpg"), Toolbar::mail());
        jpeg(QStringLiteral("toolbar-about.jpg"), Toolbar::about());
        jpeg(QStringLiteral("toolbar-exit.jpg"), Toolbar::exit());
        jpeg(QStringLiteral("face-right.jpg"), Faces::right());
        jpeg(QStringLiteral("face-wrong.jpg"), Faces::wrong());

        writeImage(out.filePath(QStringLiteral("icons/daro.png")), AppIcon::sixteenColours(), "png");
        const QByteArray svg = AppIcon::svg();
        writeText(out.filePath(QStringLiteral("icons/daro.svg")), svg);
        writeText(out.filePath(QStringLiteral("icons/hicolor/scalable/apps/io.github.daro.Daro.svg")), svg);
        for (int size : {16, 32, 48, 64, 128}) {
            const QString dir = QStringLiteral("icons/hicolor/%1x%1/apps/").arg(size);
            writeImage(out.filePath(dir + QStringLiteral("io.github.daro.Daro.png")),
                       AppIcon::render(size, true), "png");
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "makepictures: %s\n", e.what());
        return 1;
    }
    return 0;
}
