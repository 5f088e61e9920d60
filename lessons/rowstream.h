// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <vector>

class QIODevice;

// The binary stream in which the lesson reader (`daro-lessons read`, a child
// process) hands tables of text to the program:
//
//   "DAROROWS", u32 version 2, then frames of u8 tag, u32 payload length, payload
//   'T' table name; exactly one 'C' follows: u32 n, n x (u32 length, column name)
//   'R' one row: u32 n (= column count), n x (u32 length, value); NULL is empty
//   'M' a requested table the file does not have: its name
//   'U' a requested table the file has but that cannot be read:
//       u32 length, its name; u32 length, why (not empty)
//   'E' the reader's error text, for the whole file; only 'Z' may follow it
//   'Z' end, empty; nothing may follow it
//
// All integers are little-endian, all text is UTF-8. Version 1 had no 'U':
// a table that could not be read ended the stream with 'E'.

struct TableRows
{
    QString name;
    bool missing = false;
    // Why the table could not be read; empty when its rows are here.
    QString unreadable;
    QStringList columns;
    std::vector<QStringList> rows;
};

struct RowStream
{
    QString readerError;
    std::vector<TableRows> tables;
};

// Writes a row stream frame by frame, to a FILE*, a QIODevice or memory.
// Misuse (a row outside a table, a wrong value count, a table named twice,
// anything after finish()) throws std::logic_error, so that every stream
// written passes parseRowStream().
class RowStreamWriter
{
public:
    RowStreamWriter(); // collects the stream in memory, see bytes()
    explicit RowStreamWriter(FILE *file);
    explicit RowStreamWriter(QIODevice *device);
    RowStreamWriter(const RowStreamWriter &) = delete;
    RowStreamWriter &operator=(const RowStreamWriter &) = delete;

    void beginTable(const QString &name, const QStringList &columns);
    void writeRow(const QStringList &values);
    // The same for values that are UTF-8 already; invalid UTF-8 is repaired.
    void writeRowUtf8(const QByteArrayView *values, qsizetype count);
    void writeMissing(const QString &name);
    void writeUnreadable(const QString &name, const QString &why);
    void writeError(const QString &text);
    // Writes the end frame and flushes; false when the output failed.
    bool finish();

    bool failed() const { return m_failed; }
    const QByteArray &bytes() const { return m_buffer; }

private:
    enum class State { Items, Rows, AfterError, Finished };

    void requireOpen(const char *what) const;
    void claimName(const QString &name);
    qsizetype beginFrame(char tag);
    void endFrame(qsizetype lengthAt);
    void appendU32(quint32 value);
    void appendString(QByteArrayView utf8);
    void flushIfFull();
    void flush();

    FILE *m_file = nullptr;
    QIODevice *m_device = nullptr;
    QByteArray m_buffer;
    State m_state = State::Items;
    qsizetype m_columnCount = 0;
    QSet<QString> m_names;
    bool m_failed = false;
};

QByteArray encodeRowStream(const RowStream &stream);

// Checks every byte of an untrusted stream; on success replaces *out and
// returns true, otherwise leaves *out alone and says why in *whyInvalid.
bool parseRowStream(QByteArrayView bytes, RowStream *out, QString *whyInvalid);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(QByteArrayView bytes);

// UTF-8 to text, keeping a leading U+FEFF; invalid bytes become U+FFFD.
QString decodeUtf8(QByteArrayView bytes);
