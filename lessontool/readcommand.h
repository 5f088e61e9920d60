// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// daro-lessons-read FILE.mdb TABLE [TABLE...], which is also `daro-lessons
// read`: writes the row stream of the tables to standard output, for the
// program. argv holds the words after the command. Returns 0, whatever the
// file holds (the program learns of failures from the stream), or 2 for a
// usage error, printed after "program: ".
int runRead(int argc, char *const *argv, const char *program);
