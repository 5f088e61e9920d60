// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessontool/jetwriter.h"

#include "base/errors.h"
#include "lessontool/jetpages.h"

#include <QSaveFile>
#include <QSet>

#include <algorithm>

using namespace jet;

namespace {

constexpr int kMaxNameLength = 64;

bool validName(const QString &name)
{
    if (name.isEmpty() || name.size() > kMaxNameLength || name.front() == QLatin1Char(' '))
        return false;
    return std::none_of(name.cbegin(), name.cend(),
                        [](QChar c) { return c.unicode() < 0x20 || QStringView(u".![]`").contains(c); });
}

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
