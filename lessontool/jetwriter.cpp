// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessontool/jetwriter.h"

#include "base/errors.h"

#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kPageSize = 4096;
constexpr int kRowCountAt = 12;
constexpr int kRowTableAt = 14;
// A row pointer is page << 8 | row, so a page holds at most 256 rows.
constexpr int kMaxRowsPerPage = 255;
// The largest row, alone on its page.
constexpr int kMaxRowSize = kPageSize - kRowTableAt - 2;
// Memo values up to this size stay in their row; longer ones go to long-value pages.
constexpr int kInlineMemoMax = 1024;
// A piece of a chained long value carries the pointer to the next piece.
constexpr int kChainPiece = kMaxRowSize - 4;
// The memo field keeps the length of a chained value in 24 bits.
constexpr qsizetype kMaxMemoBytes = 0xFFFFFF;
constexpr int kMemoFieldSize = 12;
constexpr quint32 kMemoInline = 0x80000000;
constexpr quint32 kMemoOneRow = 0x40000000;
// Access gives every usage map at least this many bytes of bitmap.
constexpr int kMinMapBitmap = 64;
constexpr int kMaxNameLength = 64;

constexpr quint8 kTypeInt = 0x03;
constexpr quint8 kTypeLongInt = 0x04;
constexpr quint8 kTypeText = 0x0A;
constexpr quint8 kTypeOle = 0x0B;
constexpr quint8 kTypeMemo = 0x0C;

constexpr quint8 kColumnFixed = 0x01;
constexpr quint8 kColumnNullable = 0x02;
constexpr quint8 kColumnCompressedUnicode = 0x01;

constexpr quint16 kCodePageGbk = 936;
constexpr quint16 kSortGeneral = 0x0409;
constexpr quint32 kSystemObjectFlags = 0x80000002;
constexpr int kCatalogPage = 2;

// Table definition offsets
constexpr int kTdefRowCount = 16;
constexpr int kTdefTableType = 40;
constexpr int kTdefMaxColumns = 41;
constexpr int kTdefVarColumns = 43;
constexpr int kTdefColumns = 45;
constexpr int kTdefUsageMap = 55;
constexpr int kTdefFreeMap = 59;
constexpr int kTdefColumnsStart = 63;
constexpr int kColumnEntrySize = 25;
constexpr quint8 kUserTable = 0x4E;
constexpr quint8 kSystemTable = 0x53;

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

bool validName(const QString &name)
{
    if (name.isEmpty() || name.size() > kMaxNameLength || name.front() == QLatin1Char(' '))
        return false;
    return std::none_of(name.cbegin(), name.cend(),
                        [](QChar c) { return c.unicode() < 0x20 || QStringView(u".![]`").contains(c); });
}

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

TableLayout layoutOf(const std::vector<JetWriter::Column> &columns)
{
    TableLayout layout;
    for (const JetWriter::Column &column : columns) {
        if (column.type == JetWriter::ColumnType::Text)
            layout.add(column.name, kTypeText, 2 * column.maxLength);
        else
            layout.add(column.name, kTypeMemo, 0);
    }
    return layout;
}

// A value of one field of a row: bytes for the row, or NULL.
struct Field
{
    bool null = false;
    QByteArray bytes;
};

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

// The size of a packed row without the data of its variable columns.
int packedRowOverhead(const TableLayout &layout)
{
    return 2 + layout.fixedSize + 2 + 2 * layout.varCount + 2 + (int(layout.columns.size()) + 7) / 8;
}

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
    RowPacker(PageFile *file, const char owner[4])
        : m_file(file)
    {
        std::memcpy(m_owner, owner, 4);
    }

    // Returns the row pointer, page << 8 | row.
    quint32 add(const QByteArray &row)
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

    const std::vector<int> &pages() const { return m_pages; }

private:
    bool fits(int size) const
    {
        const int count = int(get16(m_file->page(m_page) + kRowCountAt));
        return count < kMaxRowsPerPage && m_low - size >= kRowTableAt + 2 * (count + 1);
    }

    void openPage()
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

    PageFile *m_file;
    char m_owner[4];
    int m_page = -1;
    int m_low = kPageSize;
    std::vector<int> m_pages;
};

void ownerOf(int tdefPage, char out[4])
{
    put32(out, quint32(tdefPage));
}

// The 12-byte memo field, with the value inline or on long-value pages.
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

// A usage map of type 0: start page and a bitmap of the pages from there.
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

QString describeCharacter(const QString &text, qsizetype at)
{
    char32_t code = text.at(at).unicode();
    if (text.at(at).isLowSurrogate() && at > 0)
        code = QChar::surrogateToUcs4(text.at(at - 1), text.at(at));
    return QStringLiteral("U+") +
           QString::number(quint32(code), 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

} // namespace

std::vector<JetWriter::Column> JetWriter::lessonColumns()
{
    return {{QStringLiteral("NUMBER"), ColumnType::Text, 255},
            {QStringLiteral("ENGLISH"), ColumnType::Memo, 0},
            {QStringLiteral("CHINESE"), ColumnType::Memo, 0}};
}

QString JetWriter::unstorableReason(const QString &value, const Column &column)
{
    if (column.type == ColumnType::Text && value.size() > column.maxLength)
        return QStringLiteral("is longer than %1 characters").arg(column.maxLength);
    const bool byteOrderMarkFirst = !value.isEmpty() && value.front().unicode() == 0xFEFF;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c.unicode() == 0)
            return QStringLiteral("contains a NUL character");
        if (c.isHighSurrogate() && !(i + 1 < value.size() && value.at(i + 1).isLowSurrogate()))
            return QStringLiteral("contains an unpaired surrogate");
        if (c.isLowSurrogate() && !(i > 0 && value.at(i - 1).isHighSurrogate()))
            return QStringLiteral("contains an unpaired surrogate");
        if (byteOrderMarkFirst && (c.unicode() & 0xFF) == 0)
            return QStringLiteral(
                       "begins with U+FEFF and also contains %1; Jet 4 cannot store the two together")
                .arg(describeCharacter(value, i));
    }
    const qsizetype storedSize = compressible(value) ? 2 + value.size() : 3 + 2 * value.size();
    if (column.type == ColumnType::Memo && storedSize > kMaxMemoBytes)
        return QStringLiteral("is longer than a Jet 4 memo can be");
    return {};
}

void JetWriter::addTable(const QString &name, const std::vector<Column> &columns,
                         std::vector<QStringList> rows)
{
    if (!validName(name) || name.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive))
        throw AppError(QStringLiteral("bad table name \"%1\"").arg(name));
    for (const Table &table : m_tables) {
        if (table.name.compare(name, Qt::CaseInsensitive) == 0)
            throw AppError(QStringLiteral("table %1 is added twice").arg(name));
    }
    if (columns.empty())
        throw AppError(QStringLiteral("table %1 has no columns").arg(name));
    QSet<QString> columnNames;
    for (const Column &column : columns) {
        if (!validName(column.name) || columnNames.contains(column.name.toCaseFolded()))
            throw AppError(
                QStringLiteral("table %1: bad or repeated column name \"%2\"").arg(name, column.name));
        columnNames.insert(column.name.toCaseFolded());
        if (column.type == ColumnType::Text && (column.maxLength < 1 || column.maxLength > 255))
            throw AppError(QStringLiteral("table %1: text column %2 must hold 1 to 255 characters")
                               .arg(name, column.name));
    }
    if (layoutOf(columns).definitionSize() > kPageSize)
        throw AppError(QStringLiteral("table %1 has too many columns").arg(name));

    for (size_t r = 0; r < rows.size(); ++r) {
        const QStringList &row = rows[r];
        const QString where = QStringLiteral("table %1, row %2").arg(name).arg(r + 1);
        if (row.size() != qsizetype(columns.size()))
            throw AppError(QStringLiteral("%1 has %2 values for %3 columns")
                               .arg(where)
                               .arg(row.size())
                               .arg(columns.size()));
        for (size_t c = 0; c < columns.size(); ++c) {
            const QString why = unstorableReason(row.at(qsizetype(c)), columns[c]);
            if (!why.isEmpty())
                throw AppError(QStringLiteral("%1: %2 %3").arg(where, columns[c].name, why));
        }
    }
    m_tables.push_back(Table{name, columns, std::move(rows)});
}

QByteArray JetWriter::image() const
{
    PageFile file;
    writeHeader(file.page(file.add()));
    file.add(); // the global usage map; readers accept it empty
    const int catalogPage = file.add();
    Q_ASSERT(catalogPage == kCatalogPage);
    std::vector<int> tdefPages;
    for (size_t i = 0; i < m_tables.size(); ++i)
        tdefPages.push_back(file.add());

    // The catalogue, MSysObjects: readers find each table's definition page by name here.
    TableLayout catalog;
    catalog.add(QStringLiteral("Id"), kTypeLongInt, 4);
    catalog.add(QStringLiteral("Name"), kTypeText, 2 * 255);
    catalog.add(QStringLiteral("Type"), kTypeInt, 2);
    catalog.add(QStringLiteral("Flags"), kTypeLongInt, 4);
    catalog.add(QStringLiteral("LvProp"), kTypeOle, 0);
    char owner[4];
    ownerOf(catalogPage, owner);
    RowPacker catalogRows(&file, owner);
    auto addCatalogRow = [&](int page, const QString &name, quint32 flags) {
        std::vector<Field> fields(5);
        fields[0].bytes.resize(4);
        put32(fields[0].bytes.data(), quint32(page));
        fields[1].bytes = jetText(name);
        fields[2].bytes.resize(2);
        put16(fields[2].bytes.data(), 1); // a table
        fields[3].bytes.resize(4);
        put32(fields[3].bytes.data(), flags);
        fields[4].null = true;
        catalogRows.add(packRow(catalog, fields));
    };
    addCatalogRow(catalogPage, QStringLiteral("MSysObjects"), kSystemObjectFlags);
    for (size_t i = 0; i < m_tables.size(); ++i)
        addCatalogRow(tdefPages[i], m_tables[i].name, 0);

    RowPacker longValues(&file, "LVAL");
    std::vector<std::vector<int>> dataPages;
    std::vector<TableLayout> layouts;
    for (size_t t = 0; t < m_tables.size(); ++t) {
        const Table &table = m_tables[t];
        const TableLayout layout = layoutOf(table.columns);
        ownerOf(tdefPages[t], owner);
        RowPacker rows(&file, owner);
        std::vector<Field> fields(table.columns.size());
        std::vector<bool> inlineMemo(table.columns.size());
        for (const QStringList &row : table.rows) {
            for (size_t c = 0; c < table.columns.size(); ++c) {
                fields[c].bytes = jetText(row.at(qsizetype(c)));
                inlineMemo[c] = fields[c].bytes.size() <= kInlineMemoMax;
            }
            // Move the longest memos out of the row until it fits on a page.
            auto sizeWithInline = [&] {
                int size = packedRowOverhead(layout);
                for (size_t c = 0; c < fields.size(); ++c) {
                    if (table.columns[c].type == ColumnType::Memo)
                        size += kMemoFieldSize + (inlineMemo[c] ? int(fields[c].bytes.size()) : 0);
                    else
                        size += int(fields[c].bytes.size());
                }
                return size;
            };
            while (sizeWithInline() > kMaxRowSize) {
                size_t longest = fields.size();
                for (size_t c = 0; c < fields.size(); ++c) {
                    if (table.columns[c].type == ColumnType::Memo && inlineMemo[c] &&
                        (longest == fields.size() || fields[c].bytes.size() > fields[longest].bytes.size()))
                        longest = c;
                }
                Q_ASSERT(longest < fields.size());
                inlineMemo[longest] = false;
            }
            for (size_t c = 0; c < table.columns.size(); ++c) {
                if (table.columns[c].type == ColumnType::Memo)
                    fields[c].bytes = memoField(fields[c].bytes, inlineMemo[c], longValues);
            }
            rows.add(packRow(layout, fields));
        }
        dataPages.push_back(rows.pages());
        layouts.push_back(layout);
    }

    // The usage maps go last, when every page they list exists.
    RowPacker maps(&file, "\0\0\0\0");
    const quint32 catalogUsage = maps.add(usageMap(catalogRows.pages()));
    const quint32 catalogFree = maps.add(usageMap({}));
    writeDefinition(file.page(catalogPage), catalog, quint32(m_tables.size() + 1), true, catalogUsage,
                    catalogFree);
    for (size_t t = 0; t < m_tables.size(); ++t) {
        const quint32 usage = maps.add(usageMap(dataPages[t]));
        const quint32 freeSpace = maps.add(usageMap({}));
        writeDefinition(file.page(tdefPages[t]), layouts[t], quint32(m_tables[t].rows.size()), false, usage,
                        freeSpace);
    }
    return file.join();
}

void JetWriter::save(const QString &path) const
{
    const QByteArray bytes = image();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw AppError(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}
