// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <vector>

// The Jet 4 file format page by page: byte order, text as Jet 4 keeps it,
// table definitions, rows, long values and usage maps. JetWriter puts the
// pages together into a file.
namespace jet {

constexpr int kPageSize = 4096;
constexpr int kRowTableAt = 14;
// The largest row, alone on its page.
constexpr int kMaxRowSize = kPageSize - kRowTableAt - 2;
// Memo values up to this size stay in their row; longer ones go to long-value pages.
constexpr int kInlineMemoMax = 1024;
// The memo field keeps the length of a chained value in 24 bits.
constexpr qsizetype kMaxMemoBytes = 0xFFFFFF;
constexpr int kMemoFieldSize = 12;

constexpr quint8 kTypeInt = 0x03;
constexpr quint8 kTypeLongInt = 0x04;
constexpr quint8 kTypeText = 0x0A;
constexpr quint8 kTypeOle = 0x0B;
constexpr quint8 kTypeMemo = 0x0C;

constexpr quint32 kSystemObjectFlags = 0x80000002;
constexpr int kCatalogPage = 2;

// Where a table definition's column entries start, and each entry's size.
constexpr int kTdefColumnsStart = 63;
constexpr int kColumnEntrySize = 25;

void put16(char *p, quint32 value);
void put32(char *p, quint32 value);

// Whether text may be kept in Jet 4's compressed one-byte form.
bool compressible(const QString &text);
QByteArray jetText(const QString &text);

// One column as a table definition describes it.
struct ColumnLayout
{
    QString name;
    quint8 type = kTypeMemo;
    int size = 0; // bytes of a fixed column or most bytes of a text column
    bool fixed = false;
    int varIndex = 0;
    int fixedOffset = 0;
};

struct TableLayout
{
    std::vector<ColumnLayout> columns;
    int fixedSize = 0;
    int varCount = 0;

    void add(const QString &name, quint8 type, int size)
    {
        ColumnLayout column;
        column.name = name;
        column.type = type;
        column.size = size;
        column.fixed = type == kTypeInt || type == kTypeLongInt;
        if (column.fixed) {
            column.fixedOffset = fixedSize;
            fixedSize += size;
        } else {
            column.varIndex = varCount++;
        }
        columns.push_back(column);
    }

    int definitionSize() const
    {
        int size = kTdefColumnsStart + kColumnEntrySize * int(columns.size());
        for (const ColumnLayout &column : columns)
            size += 2 + 2 * int(column.name.size());
        return size;
    }
};

// A value of one field of a row: bytes for the row, or NULL.
struct Field
{
    bool null = false;
    QByteArray bytes;
};

QByteArray packRow(const TableLayout &layout, const std::vector<Field> &fields);
// The size of a packed row without the data of its variable columns.
int packedRowOverhead(const TableLayout &layout);

class PageFile
{
public:
    int add()
    {
        m_pages.emplace_back(kPageSize, '\0');
        return int(m_pages.size() - 1);
    }
    char *page(int number) { return m_pages[size_t(number)].data(); }
    QByteArray join() const
    {
        QByteArray out;
        out.reserve(qsizetype(m_pages.size()) * kPageSize);
        for (const QByteArray &page : m_pages)
            out += page;
        return out;
    }

private:
    std::vector<QByteArray> m_pages;
};

// Fills pages of one kind with rows from the end of the page downwards.
class RowPacker
{
public:
    RowPacker(PageFile *file, const char owner[4]);
    // Returns the row pointer, page << 8 | row.
    quint32 add(const QByteArray &row);
    const std::vector<int> &pages() const { return m_pages; }

private:
    bool fits(int size) const;
    void openPage();

    PageFile *m_file;
    char m_owner[4];
    int m_page = -1;
    int m_low = kPageSize;
    std::vector<int> m_pages;
};

void ownerOf(int tdefPage, char out[4]);
// The 12-byte memo field, with the value inline or on long-value pages.
QByteArray memoField(const QByteArray &bytes, bool inlineValue, RowPacker &longValues);
// A usage map of type 0: start page and a bitmap of the pages from there.
QByteArray usageMap(const std::vector<int> &pages);
void writeDefinition(char *page, const TableLayout &layout, quint32 rowCount, bool system,
                     quint32 usagePointer, quint32 freePointer);
void writeHeader(char *page);

} // namespace jet
