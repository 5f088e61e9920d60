// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessontool/lessoncommands.h"
#include "lessontool/query.h"
#include "lessontool/readcommand.h"

#include <QString>

#include <cstring>

int main(int argc, char **argv)
{
    // Before any Qt string: the file name goes to libmdb as it was given.
    if (argc > 1 && std::strcmp(argv[1], "read") == 0) {
        const int status = runRead(argc - 2, argv + 2, "daro-lessons");
        if (status != 0)
            printUsage(stderr);
        return status;
    }
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    if (args.isEmpty()) {
        printUsage(stderr);
        return 2;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("build"))
        return runBuild(args);
    if (command == QLatin1String("dump"))
        return runDump(args);
    if (command == QLatin1String("query"))
        return runQuery(args);
    if (command == QLatin1String("help") || command == QLatin1String("--help") ||
        command == QLatin1String("-h")) {
        printUsage(stdout);
        return 0;
    }
    fprintf(stderr, "daro-lessons: unknown command \"%s\"\n", command.toLocal8Bit().constData());
    printUsage(stderr);
    return 2;
}
