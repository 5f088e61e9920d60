// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lessons/plainrowstreamwriter.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <vector>

class QIODevice;

// The binary stream in which the lesson reader (`daro-lessons-read`, a child
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

// Writes a row stream frame by frame, to a FILE*, a QIODevice or memory: the
// plain writer, for Qt's strings. Misuse throws std::logic_error, so that
// every stream written passes parseRowStream().
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
    bool finish() { return m_out.finish(); }

    bool failed() const { return m_out.failed(); }
    QByteArray bytes() const { return QByteArray::fromStdString(m_out.bytes()); }

private:
    // Names that differ only in the case of letters beyond ASCII, as Qt folds them.
    void claimName(const QString &name);

    PlainRowStreamWriter m_out;
    QSet<QString> m_names;
};

QByteArray encodeRowStream(const RowStream &stream);

// Receives the items of a row stream as a parser checks them, each once its
// frame is checked. Whether the stream as a whole is valid is known only at
// its end, so a receiver must be able to drop what it got.
class RowStreamReceiver
{
public:
    virtual ~RowStreamReceiver() = default;
    virtual void table(const QString &name, const QStringList &columns) = 0;
    // The values of one row of the last table, valid UTF-8, one per column;
    // the views last until the call returns.
    virtual void row(const QByteArrayView *values, qsizetype count) = 0;
    virtual void missing(const QString &name) = 0;
    virtual void unreadable(const QString &name, const QString &why) = 0;
    virtual void error(const QString &text) = 0;
};

// Checks every byte of an untrusted stream, piece by piece as it arrives,
// and hands what it checked to a receiver. Once the stream is found invalid,
// it takes nothing more and why() says why.
class RowStreamParser
{
public:
    explicit RowStreamParser(RowStreamReceiver &receiver);
    RowStreamParser(const RowStreamParser &) = delete;
    RowStreamParser &operator=(const RowStreamParser &) = delete;

    // The next bytes of the stream; false once it is invalid.
    bool feed(QByteArrayView bytes);
    // The stream has ended; true when it was whole and valid.
    bool finish();
    QString why() const { return m_why; }

private:
    enum class State { Header, Item, Columns, Rows, End, Ended };

    bool parse(QByteArrayView data, qsizetype *consumed);
    bool fail(qint64 offset, const QString &reason);

    RowStreamReceiver &m_receiver;
    State m_state = State::Header;
    // Where m_pending starts in the stream, and the start of an unfinished frame.
    qint64 m_offset = 0;
    QByteArray m_pending;
    QSet<QString> m_names;
    QString m_table;
    qsizetype m_columnCount = 0;
    std::vector<QByteArrayView> m_values;
    QString m_why;
};

// Checks every byte of an untrusted stream, all at once; on success replaces
// *out and returns true, otherwise leaves *out alone and says why in *whyInvalid.
bool parseRowStream(QByteArrayView bytes, RowStream *out, QString *whyInvalid);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(QByteArrayView bytes);

// UTF-8 to text, keeping a leading U+FEFF; invalid bytes become U+FFFD.
QString decodeUtf8(QByteArrayView bytes);

// What the reader reported (its error frame, the reason for an unreadable
// table) in the learner's language: the reader's own texts
// (lessons/readertexts.h) come in the source language with any argument in
// place; other texts stay as they are.
QString readerText(const QString &reported);
