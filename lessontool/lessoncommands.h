// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <cstdio>

// The build and dump commands of daro-lessons (read is in readcommand.h);
// args are the words after the command's name. Each returns the process exit
// status: 0 done, 1 failed (the reason on stderr), 2 a usage error.
int runBuild(const QStringList &args);
int runDump(const QStringList &args);

// The tables of the bundled lesson file, in the order they are written.
QStringList lessonTableNames();

void printUsage(FILE *to);
