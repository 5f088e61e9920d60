// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

class PlainRowStreamWriter;

// Reads tables of text from a Jet (Access) database file with libmdb, in plain
// C++: the program runs it as daro-lessons-read, a child process without Qt,
// so that a damaged file can at worst end that child, and the child starts
// fast. Only the lesson tool links libmdb.
class MdbReader
{
public:
    // Writes the requested tables (every user table when the list is empty)
    // to out: a table frame with its rows, a missing-table frame, or an
    // unreadable-table frame. Problems with the whole file become the error
    // frame. Reasons are the texts of lessons/readertexts.h. Does not finish
    // the stream.
    static void stream(const std::string &path, const std::vector<std::string> &tables,
                       PlainRowStreamWriter &out);
};
