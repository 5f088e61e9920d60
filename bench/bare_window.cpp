// SPDX-License-Identifier: GPL-3.0-or-later
// The floor for the start-up benchmark: an empty Qt main window of the same size.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("daro"));
    window.menuBar()->addMenu(QStringLiteral("操作"));
    window.setFixedSize(525, 388);
    window.show();
    return QApplication::exec();
}
