// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <QList>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

// A minimal Access 97 (Jet 3) file with one lesson table, the format's other
// generation: 2 KB pages, one-byte row offsets, text in the header's code page.
// Rows must stay below 256 bytes.
class Jet3File
{
public:
    explicit Jet3File(quint16 codePage)
        : m_file(7 * kPage, '\0')
    {
        char *header = page(0);
        header[1] = 0x01;
        std::memcpy(header + 4, "Standard Jet DB", 15);
        char plain[126] = {};
        put16(plain + 0x3C - 0x18, codePage);
        scramble(plain, sizeof plain);
        std::memcpy(header + 0x18, plain, sizeof plain);
    }

    QByteArray bytes(const std::vector<std::array<QByteArray, 3>> &rows)
    {
        // Pages: 2 catalogue definition, 3 lesson definition, 4 catalogue rows,
        // 5 lesson rows, 6 usage maps.
        const std::vector<Column> catalog{{"Id", 0x04, 4, true},
                                          {"Name", 0x0A, 255, false},
                                          {"Type", 0x03, 2, true},
                                          {"Flags", 0x04, 4, true},
                                          {"LvProp", 0x0B, 0, false}};
        const std::vector<Column> lesson{
            {"NUMBER", 0x0A, 255, false}, {"ENGLISH", 0x0C, 0, false}, {"CHINESE", 0x0C, 0, false}};
        dataPage(4, 2, {catalogRow(2, "MSysObjects", 0x80000002u), catalogRow(3, "Razorud365", 0)});
        std::vector<QByteArray> lessonRows;
        for (const auto &row : rows) {
            QByteArray memo1 = memo(row[1]), memo2 = memo(row[2]);
            lessonRows.push_back(packRow(3, 0, {row[0], memo1, memo2}));
        }
        dataPage(5, 3, lessonRows);
        dataPage(6, 0, {usageMap(4), usageMap(0), usageMap(5), usageMap(0)});
        definition(2, catalog, 2, 6 << 8 | 0, 6 << 8 | 1);
        definition(3, lesson, quint32(rows.size()), 6 << 8 | 2, 6 << 8 | 3);
        return m_file;
    }

private:
    static constexpr int kPage = 2048;
    struct Column
    {
        const char *name;
        quint8 type;
        int size;
        bool fixed;
    };

    static void put16(char *p, quint32 v)
    {
        p[0] = char(v & 0xFF);
        p[1] = char((v >> 8) & 0xFF);
    }
    static void put32(char *p, quint32 v)
    {
        for (int i = 0; i < 4; ++i)
            p[i] = char((v >> (8 * i)) & 0xFF);
    }
    static void scramble(char *data, int length)
    {
        const uchar key[] = {0xC7, 0xDA, 0x39, 0x6B};
        uchar state[256];
        for (int i = 0; i < 256; ++i)
            state[i] = uchar(i);
        for (int i = 0, j = 0; i < 256; ++i) {
            j = (j + state[i] + key[i % 4]) & 0xFF;
            std::swap(state[i], state[j]);
        }
        for (int n = 0, x = 0, y = 0; n < length; ++n) {
            x = (x + 1) & 0xFF;
            y = (y + state[x]) & 0xFF;
            std::swap(state[x], state[y]);
            data[n] = char(uchar(data[n]) ^ state[(state[x] + state[y]) & 0xFF]);
        }
    }

    char *page(int n) { return m_file.data() + n * kPage; }

    static QByteArray memo(const QByteArray &text)
    {
        QByteArray field(12, '\0');
        put32(field.data(), quint32(text.size()) | 0x80000000u);
        return field + text;
    }

    // fixed: the fixed part of the row; vars: the variable columns in order.
    static QByteArray packRow(int columns, const QByteArray &fixed, const QList<QByteArray> &vars)
    {
        QByteArray row(1, char(columns));
        row += fixed;
        QList<int> offsets;
        for (const QByteArray &value : vars) {
            offsets.append(int(row.size()));
            row += value;
        }
        row.append(char(row.size())); // end of data
        for (qsizetype i = offsets.size() - 1; i >= 0; --i)
            row.append(char(offsets[i]));
        row.append(char(vars.size()));
        row.append(char((1 << columns) - 1)); // nothing is NULL
        return row;
    }

    static QByteArray catalogRow(quint32 id, const QByteArray &name, quint32 flags)
    {
        QByteArray fixed(10, '\0');
        put32(fixed.data(), id);
        put16(fixed.data() + 4, 1);
        put32(fixed.data() + 6, flags);
        QByteArray row = packRow(5, fixed, {name, QByteArray()});
        row[row.size() - 1] = char(0x0F); // LvProp is NULL
        return row;
    }

    static QByteArray usageMap(int page)
    {
        QByteArray map(6, '\0');
        if (page) {
            put32(map.data() + 1, quint32(page));
            map[5] = 0x01;
        }
        return map;
    }

    void dataPage(int number, quint32 owner, const std::vector<QByteArray> &rows)
    {
        char *p = page(number);
        p[0] = 0x01;
        p[1] = 0x01;
        put32(p + 4, owner);
        put16(p + 8, quint32(rows.size()));
        int low = kPage;
        for (size_t i = 0; i < rows.size(); ++i) {
            low -= int(rows[i].size());
            std::memcpy(p + low, rows[i].constData(), size_t(rows[i].size()));
            put16(p + 10 + 2 * int(i), quint32(low));
        }
    }

    void definition(int number, const std::vector<Column> &columns, quint32 rowCount, quint32 usage,
                    quint32 freeSpace)
    {
        char *p = page(number);
        p[0] = 0x02;
        p[1] = 0x01;
        put32(p + 12, rowCount);
        p[20] = 0x4E;
        int vars = 0;
        int fixedOffset = 0;
        for (const Column &column : columns)
            vars += column.fixed ? 0 : 1;
        put16(p + 21, quint32(columns.size()));
        put16(p + 23, quint32(vars));
        put16(p + 25, quint32(columns.size()));
        put32(p + 35, usage);
        put32(p + 39, freeSpace);
        int pos = 43;
        int var = 0;
        for (size_t i = 0; i < columns.size(); ++i) {
            char *entry = p + pos;
            entry[0] = char(columns[i].type);
            entry[1] = char(i);
            put16(entry + 3, quint32(columns[i].fixed ? 0 : var++));
            put16(entry + 5, quint32(i));
            entry[13] = char(columns[i].fixed ? 0x03 : 0x02);
            put16(entry + 14, quint32(columns[i].fixed ? fixedOffset : 0));
            put16(entry + 16, quint32(columns[i].size));
            fixedOffset += columns[i].fixed ? columns[i].size : 0;
            pos += 18;
        }
        for (const Column &column : columns) {
            p[pos++] = char(strlen(column.name));
            std::memcpy(p + pos, column.name, strlen(column.name));
            pos += int(strlen(column.name));
        }
    }

    QByteArray m_file;
};
