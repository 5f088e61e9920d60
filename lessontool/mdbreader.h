// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lessons/rowstream.h"

#include <QString>
#include <QStringList>

// Reads tables of text from a Jet (Access) database file with libmdb. Only
// this tool links libmdb; the program runs `daro-lessons read` as a child
// process, so a damaged file can at worst end that child.
class MdbReader
{
public:
    // Writes the requested tables (every user table when the list is empty)
    // to out: a table frame with its rows, a missing-table frame, or an
    // unreadable-table frame. Problems with the whole file become the error
    // frame. Does not finish the stream.
    static void stream(const QString &path, const QStringList &tables, RowStreamWriter &out);
};

// The same, collected in memory.
RowStream readLessonFile(const QString &path, const QStringList &tables);
