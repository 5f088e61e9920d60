// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Writes a Microsoft Jet 4 (Access 2000) database file holding plain tables
// of text: no indexes, no relations, no properties. Text is kept as Jet 4
// keeps it (UCS-2, compressed where that is safe), so any reader of the
// format, libmdb among them, gets back exactly the text that went in.
class JetWriter
{
public:
    enum class ColumnType {
        Text, // up to maxLength UTF-16 code units, at most 255
        Memo, // any length up to 16 MB of UTF-16
    };

    struct Column
    {
        QString name;
        ColumnType type = ColumnType::Memo;
        int maxLength = 255;
    };

    // NUMBER text(255), ENGLISH memo, CHINESE memo.
    static std::vector<Column> lessonColumns();

    // Why a value cannot be stored in the column; empty when it can.
    static QString unstorableReason(const QString &value, const Column &column);

    // Rows must have one value per column. Throws AppError for a bad name, a
    // bad row or a value that cannot be stored (naming table, row and column).
    void addTable(const QString &name, const std::vector<Column> &columns, std::vector<QStringList> rows);

    // The whole file. The same tables always give the same bytes.
    QByteArray image() const;

    // Writes image() through a temporary file beside the target, renamed into
    // place at the end, so that a failed save leaves nothing behind.
    // Throws AppError.
    void save(const QString &path) const;

private:
    struct Table
    {
        QString name;
        std::vector<Column> columns;
        std::vector<QStringList> rows;
    };
    std::vector<Table> m_tables;
};
