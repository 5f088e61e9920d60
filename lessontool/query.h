// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// daro-lessons query FILE.mdb TABLE KEY: prints the rows of the lesson with that
// key, as the program selects and orders them, one TSV line each (NUMBER,
// ENGLISH, CHINESE, with the escapes of the lesson sources). args are the words
// after "query". Returns 0 done, 1 failed (the reason on stderr), 2 a usage error.
int runQuery(const QStringList &args);
