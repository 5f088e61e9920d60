// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessontool/jetpages.h"

#include <algorithm>
#include <cstring>

namespace jet {

namespace {

constexpr int kRowCountAt = 12;
// A row pointer is page << 8 | row, so a page holds at most 256 rows.
constexpr int kMaxRowsPerPage = 255;
// A piece of a chained long value carries the pointer to the next piece.
constexpr int kChainPiece = kMaxRowSize - 4;
constexpr quint32 kMemoInline = 0x80000000;
constexpr quint32 kMemoOneRow = 0x40000000;
// Access gives every usage map at least this many bytes of bitmap.
constexpr int kMinMapBitmap = 64;

constexpr quint8 kColumnFixed = 0x01;
constexpr quint8 kColumnNullable = 0x02;
constexpr quint8 kColumnCompressedUnicode = 0x01;

constexpr quint16 kCodePageGbk = 936;
constexpr quint16 kSortGeneral = 0x0409;

// Table definition offsets
constexpr int kTdefRowCount = 16;
constexpr int kTdefTableType = 40;
constexpr int kTdefMaxColumns = 41;
constexpr int kTdefVarColumns = 43;
constexpr int kTdefColumns = 45;
constexpr int kTdefUsageMap = 55;
constexpr int kTdefFreeMap = 59;
constexpr quint8 kUserTable = 0x4E;
constexpr quint8 kSystemTable = 0x53;

void append16(QByteArray &out, quint32 value)
{
    const char bytes[2] = {char(value & 0xFF), char((value >> 8) & 0xFF)};
    out.append(bytes, 2);
}

void append32(QByteArray &out, quint32 value)
{
    char bytes[4];
    put32(bytes, value);
    out.append(bytes, 4);
}

quint32 get16(const char *p)
{
    return quint32(uchar(p[0])) | quint32(uchar(p[1])) << 8;
}

void appendUtf16Le(QByteArray &out, const QString &text)
{
    for (const QChar c : text)
        append16(out, c.unicode());
}

void rc4Xor(const uchar *key, int keyLength, char *data, int length)
{
    uchar state[256];
    for (int i = 0; i < 256; ++i)
        state[i] = uchar(i);
    int j = 0;
    for (int i = 0; i < 256; ++i) {
        j = (j + state[i] + key[i % keyLength]) & 0xFF;
        std::swap(state[i], state[j]);
    }
    int x = 0;
    int y = 0;
    for (int n = 0; n < length; ++n) {
        x = (x + 1) & 0xFF;
        y = (y + state[x]) & 0xFF;
        std::swap(state[x], state[y]);
        data[n] = char(uchar(data[n]) ^ state[(state[x] + state[y]) & 0xFF]);
    }
}

} // namespace

void put16(char *p, quint32 value)
{
    p[0] = char(value & 0xFF);
    p[1] = char((value >> 8) & 0xFF);
}

void put32(char *p, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = char((value >> (8 * i)) & 0xFF);
}

bool compressible(const QString &text)
{
    return text.size() > 2 && std::all_of(text.cbegin(), text.cend(),
                                          [](QChar c) { return c.unicode() != 0 && c.unicode() <= 0xFF; });
}

// Text as Jet 4 stores it. Readers treat a leading FF FE as the mark of the
// compressed form, in which a zero byte switches between one-byte and
// two-byte characters; so only text without such bytes may be compressed,
// and text that itself begins with U+FEFF must be written in that form.
QByteArray jetText(const QString &text)
{
    QByteArray out;
    if (compressible(text)) {
        out.reserve(2 + text.size());
        out.append("\xFF\xFE", 2);
        for (const QChar c : text)
            out.append(char(c.unicode()));
        return out;
    }
    out.reserve(3 + 2 * text.size());
    if (!text.isEmpty() && text.front().unicode() == 0xFEFF)
        out.append("\xFF\xFE\0", 3);
    appendUtf16Le(out, text);
    return out;
}

QByteArray packRow(const TableLayout &layout, const std::vector<Field> &fields)
{
    QByteArray row;
    append16(row, quint32(layout.columns.size()));
    QByteArray fixed(layout.fixedSize, '\0');
    std::vector<int> varOffsets(size_t(layout.varCount), 0);
    for (size_t i = 0; i < layout.columns.size(); ++i) {
        const ColumnLayout &column = layout.columns[i];
        if (column.fixed && !fields[i].null)
            std::memcpy(fixed.data() + column.fixedOffset, fields[i].bytes.constData(), size_t(column.size));
    }
    row += fixed;
    // Variable columns follow in their own order, which is column order here.
    for (size_t i = 0; i < layout.columns.size(); ++i) {
        const ColumnLayout &column = layout.columns[i];
        if (column.fixed)
            continue;
        varOffsets[size_t(column.varIndex)] = int(row.size());
        if (!fields[i].null)
            row += fields[i].bytes;
    }
    append16(row, quint32(row.size())); // end of data
    for (auto it = varOffsets.crbegin(); it != varOffsets.crend(); ++it)
        append16(row, quint32(*it));
    append16(row, quint32(layout.varCount));
    QByteArray notNull((int(layout.columns.size()) + 7) / 8, '\0');
    for (size_t i = 0; i < layout.columns.size(); ++i) {
        if (!fields[i].null)
            notNull[qsizetype(i / 8)] = char(uchar(notNull[qsizetype(i / 8)]) | (1u << (i % 8)));
    }
    row += notNull;
    return row;
}

int packedRowOverhead(const TableLayout &layout)
{
    return 2 + layout.fixedSize + 2 + 2 * layout.varCount + 2 + (int(layout.columns.size()) + 7) / 8;
}

RowPacker::RowPacker(PageFile *file, const char owner[4])
    : m_file(file)
{
    std::memcpy(m_owner, owner, 4);
}

quint32 RowPacker::add(const QByteArray &row)
{
    if (m_page < 0 || !fits(int(row.size())))
        openPage();
    char *page = m_file->page(m_page);
    const int count = int(get16(page + kRowCountAt));
    m_low -= int(row.size());
    std::memcpy(page + m_low, row.constData(), size_t(row.size()));
    put16(page + kRowTableAt + 2 * count, quint32(m_low));
    put16(page + kRowCountAt, quint32(count + 1));
    put16(page + 2, quint32(m_low - (kRowTableAt + 2 * (count + 1))));
    return quint32(m_page) << 8 | quint32(count);
}

bool RowPacker::fits(int size) const
{
    const int count = int(get16(m_file->page(m_page) + kRowCountAt));
    return count < kMaxRowsPerPage && m_low - size >= kRowTableAt + 2 * (count + 1);
}

void RowPacker::openPage()
{
    m_page = m_file->add();
    char *page = m_file->page(m_page);
    page[0] = 0x01;
    page[1] = 0x01;
    put16(page + 2, kPageSize - kRowTableAt);
    std::memcpy(page + 4, m_owner, 4);
    m_low = kPageSize;
    m_pages.push_back(m_page);
}

void ownerOf(int tdefPage, char out[4])
{
    put32(out, quint32(tdefPage));
}

QByteArray memoField(const QByteArray &bytes, bool inlineValue, RowPacker &longValues)
{
    QByteArray field;
    field.reserve(kMemoFieldSize + (inlineValue ? bytes.size() : 0));
    const quint32 length = quint32(bytes.size());
    if (inlineValue) {
        append32(field, length | kMemoInline);
        append32(field, 0);
        append32(field, 0);
        field += bytes;
    } else if (bytes.size() <= kMaxRowSize) {
        append32(field, length | kMemoOneRow);
        append32(field, longValues.add(bytes));
        append32(field, 0);
    } else {
        // Each piece points to the next, so the pieces are stored last to first.
        quint32 next = 0;
        const qsizetype pieces = (bytes.size() + kChainPiece - 1) / kChainPiece;
        for (qsizetype piece = pieces - 1; piece >= 0; --piece) {
            QByteArray row;
            append32(row, next);
            row += bytes.mid(piece * kChainPiece, kChainPiece);
            next = longValues.add(row);
        }
        append32(field, length);
        append32(field, next);
        append32(field, 0);
    }
    return field;
}

QByteArray usageMap(const std::vector<int> &pages)
{
    const int first = pages.empty() ? 0 : *std::min_element(pages.cbegin(), pages.cend());
    const int last = pages.empty() ? 0 : *std::max_element(pages.cbegin(), pages.cend());
    const int bitmapSize = std::max(kMinMapBitmap, pages.empty() ? 0 : (last - first) / 8 + 1);
    QByteArray map(1 + 4 + bitmapSize, '\0');
    put32(map.data() + 1, quint32(first));
    for (const int page : pages) {
        const int bit = page - first;
        map[5 + bit / 8] = char(uchar(map[5 + bit / 8]) | (1u << (bit % 8)));
    }
    return map;
}

void writeDefinition(char *page, const TableLayout &layout, quint32 rowCount, bool system,
                     quint32 usagePointer, quint32 freePointer)
{
    page[0] = 0x02;
    page[1] = 0x01;
    put32(page + kTdefRowCount, rowCount);
    page[kTdefTableType] = char(system ? kSystemTable : kUserTable);
    put16(page + kTdefMaxColumns, quint32(layout.columns.size()));
    put16(page + kTdefVarColumns, quint32(layout.varCount));
    put16(page + kTdefColumns, quint32(layout.columns.size()));
    put32(page + kTdefUsageMap, usagePointer);
    put32(page + kTdefFreeMap, freePointer);

    int pos = kTdefColumnsStart;
    for (size_t i = 0; i < layout.columns.size(); ++i) {
        const ColumnLayout &column = layout.columns[i];
        char *entry = page + pos;
        const bool text = column.type == kTypeText || column.type == kTypeMemo;
        entry[0] = char(column.type);
        put16(entry + 5, quint32(i));
        put16(entry + 7, quint32(column.varIndex));
        put16(entry + 9, quint32(i));
        if (text)
            put16(entry + 11, kSortGeneral);
        entry[15] = char(column.fixed ? kColumnFixed | kColumnNullable : kColumnNullable);
        if (text)
            entry[16] = char(kColumnCompressedUnicode);
        put16(entry + 21, quint32(column.fixedOffset));
        put16(entry + 23, quint32(column.size));
        pos += kColumnEntrySize;
    }
    for (const ColumnLayout &column : layout.columns) {
        put16(page + pos, quint32(2 * column.name.size()));
        pos += 2;
        for (const QChar c : column.name) {
            put16(page + pos, c.unicode());
            pos += 2;
        }
    }
    put32(page + 8, quint32(pos - 8));
    put16(page + 2, quint32(kPageSize - pos));
}

void writeHeader(char *page)
{
    page[1] = 0x01;
    std::memcpy(page + 4, "Standard Jet DB", 15);
    page[0x14] = 0x01; // Jet 4
    // 128 bytes from 0x18 are kept RC4-scrambled with a fixed key.
    constexpr int kScrambledAt = 0x18;
    constexpr int kScrambledSize = 128;
    char plain[kScrambledSize] = {};
    put16(plain + 0x3C - kScrambledAt, kCodePageGbk);
    put32(plain + 0x3E - kScrambledAt, 0); // no database key, so no page is encrypted
    put16(plain + 0x6E - kScrambledAt, kSortGeneral);
    static const uchar key[] = {0xC7, 0xDA, 0x39, 0x6B};
    rc4Xor(key, 4, plain, kScrambledSize);
    std::memcpy(page + kScrambledAt, plain, kScrambledSize);
}

} // namespace jet
