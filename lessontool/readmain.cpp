// SPDX-License-Identifier: GPL-3.0-or-later
// daro-lessons-read: the lesson reader that the program runs, without Qt, so
// that it starts as fast as a small C program does.
#include "lessontool/readcommand.h"

#include <cstdio>

int main(int argc, char **argv)
{
    const int status = runRead(argc - 1, argv + 1, "daro-lessons-read");
    if (status != 0)
        std::fputs("usage: daro-lessons-read FILE.mdb TABLE [TABLE...]\n", stderr);
    return status;
}
