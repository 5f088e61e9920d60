// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <vector>

// The text form of a lesson table: UTF-8 without byte order mark, one row per
// line, three TAB-separated fields NUMBER, ENGLISH, CHINESE. Inside a field
// \t, \n, \r and \\ stand for tab, line feed, carriage return and backslash.
// Blank lines and lines beginning with '#' are skipped; a CR before the line
// feed is dropped. NUMBER is non-empty and unique within the file without
// regard to ASCII case.
class LessonTsv
{
public:
    struct Row
    {
        int line = 0; // where the row stands in its file, from 1
        QString number;
        QString english;
        QString chinese;
    };

    // Throws AppError "<fileName>:<line>: <reason>" for the first bad line.
    static std::vector<Row> parse(QByteArrayView bytes, const QString &fileName);
    static std::vector<Row> readFile(const QString &path);

    static QString escapeField(const QString &field);
    // One line, with its line feed.
    static QByteArray formatRow(const QString &number, const QString &english, const QString &chinese);

    // The key under which NUMBER values must be unique.
    static QString numberKey(const QString &number);
};
