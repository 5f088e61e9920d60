// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessontool/mdbreader.h"

#include "base/translations.h"

// mdbtools.h includes glib.h inside its extern "C" block; glib's C++ parts
// must come first, outside it.
#include <glib.h>
#include <mdbtools.h>

#include <iconv.h>

#include <QFile>
#include <QSet>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// The reader's complaints end up in the program's message about the file, in
// the learner's language; the reader runs without an application object.
QString readerText(const char *sourceText)
{
    return Translations::text("MdbReader", sourceText);
}

constexpr qint64 kMinBindSize = MDB_BIND_SIZE;
constexpr qint64 kMaxBindSize = 16 << 20;

struct HandleCloser
{
    void operator()(MdbHandle *mdb) const { mdb_close(mdb); }
};
using Handle = std::unique_ptr<MdbHandle, HandleCloser>;

struct TableFreer
{
    void operator()(MdbTableDef *table) const { mdb_free_tabledef(table); }
};
using Table = std::unique_ptr<MdbTableDef, TableFreer>;

struct BufferFreer
{
    void operator()(char *buffer) const { g_free(buffer); }
};
using Buffer = std::unique_ptr<char, BufferFreer>;

bool looksLikeJet(QFile &file)
{
    const QByteArray head = file.read(20);
    return head.size() == 20 && head.at(0) == 0 &&
           (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB");
}

// libmdb reads Jet 4 text as UCS-2 and so turns every character outside the
// BMP into "??"; Jet 3 text is in the code page of the file, which for our
// lessons is a Chinese one even where the header does not say so.
bool useOwnDecoder(MdbHandle *mdb)
{
    const char *from = "UTF-16LE";
    if (IS_JET3(mdb)) {
        switch (mdb->f->code_page) {
        case 950:
            from = "BIG-5";
            break;
        case 951:
            from = "BIG5-HKSCS";
            break;
        case 20936:
            from = "GB2312";
            break;
        case 54936:
            from = "GB18030";
            break;
        default:
            from = "CP936";
        }
    }
    const iconv_t decoder = iconv_open("UTF-8", from);
    if (decoder == iconv_t(-1))
        return false;
    if (mdb->iconv_in != iconv_t(-1))
        iconv_close(mdb->iconv_in);
    mdb->iconv_in = decoder;
    return true;
}

MdbCatalogEntry *findTable(MdbHandle *mdb, const QByteArray &name)
{
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && g_ascii_strcasecmp(entry->object_name, name.constData()) == 0)
            return entry;
    }
    return nullptr;
}

// Streams one table; when libmdb cannot read it, writes nothing and says why.
QString streamTable(MdbHandle *mdb, MdbCatalogEntry *entry, const QString &name, RowStreamWriter &out)
{
    const Table table(mdb_read_table(entry));
    if (!table)
        return readerText(QT_TRANSLATE_NOOP("MdbReader", "the page that describes it is damaged"));
    if (!mdb_read_columns(table.get()))
        return readerText(QT_TRANSLATE_NOOP("MdbReader", "the list of its columns is damaged"));
    // libmdb leaves the usage map empty when the definition points to no such
    // row, and then crashes looking for the table's first data page.
    if (!table->usage_map || table->map_sz == 0)
        return readerText(QT_TRANSLATE_NOOP("MdbReader", "the list of its pages is damaged"));
    const unsigned int count = table->num_cols;
    QStringList columns;
    std::vector<Buffer> buffers;
    for (unsigned int i = 0; i < count; ++i) {
        auto *column = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
        columns.append(decodeUtf8(column->name));
        // Long binary values are no text; they stay unbound and read as empty.
        if (column->col_type == MDB_OLE) {
            buffers.emplace_back();
            continue;
        }
        buffers.emplace_back(static_cast<char *>(g_malloc(mdb->bind_size)));
        buffers.back().get()[0] = '\0';
        mdb_bind_column(table.get(), int(i) + 1, buffers.back().get(), nullptr);
    }
    out.beginTable(name, columns);
    std::vector<QByteArrayView> values(count);
    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get())) {
        for (unsigned int i = 0; i < count; ++i) {
            const char *value = buffers[i].get();
            values[i] = value ? QByteArrayView(value, qsizetype(strlen(value))) : QByteArrayView();
        }
        out.writeRowUtf8(values.data(), qsizetype(count));
    }
    return {};
}

} // namespace

void MdbReader::stream(const QString &path, const QStringList &tables, RowStreamWriter &out)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out.writeError(
            readerText(QT_TRANSLATE_NOOP("MdbReader", "cannot open the file: %1")).arg(file.errorString()));
        return;
    }
    if (!looksLikeJet(file)) {
        out.writeError(readerText(QT_TRANSLATE_NOOP("MdbReader", "not a Jet database file")));
        return;
    }
    // No value can be longer than the file; UCS-2 grows by half at most as UTF-8.
    const qint64 bindSize = std::clamp(file.size() / 2 * 3 + 4096, kMinBindSize, kMaxBindSize);
    file.close();

    const Handle mdb(mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
    if (!mdb) {
        out.writeError(readerText(QT_TRANSLATE_NOOP("MdbReader", "not a Jet database file")));
        return;
    }
    if (!useOwnDecoder(mdb.get())) {
        out.writeError(readerText(QT_TRANSLATE_NOOP("MdbReader", "no text decoder for this file")));
        return;
    }
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE)) {
        out.writeError(readerText(QT_TRANSLATE_NOOP("MdbReader", "cannot read the table catalogue")));
        return;
    }
    // The catalogue reader binds into buffers of the default size, so the
    // larger size may only be set after it.
    mdb_set_bind_size(mdb.get(), size_t(bindSize));

    // What to read, each table once; the stream cannot name a table twice.
    std::vector<std::pair<MdbCatalogEntry *, QString>> wanted;
    QSet<QString> seen;
    auto want = [&](MdbCatalogEntry *entry, const QString &name) {
        if (name.isEmpty() || seen.contains(name.toCaseFolded()))
            return;
        seen.insert(name.toCaseFolded());
        wanted.emplace_back(entry, name);
    };
    if (tables.isEmpty()) {
        for (guint i = 0; i < mdb->num_catalog; ++i) {
            auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
            if (mdb_is_user_table(entry))
                want(entry, decodeUtf8(entry->object_name));
        }
    }
    for (const QString &name : tables)
        want(findTable(mdb.get(), name.toUtf8()), name);

    // A table that cannot be read fails alone: the others may still serve.
    for (const auto &[entry, name] : wanted) {
        if (!entry) {
            out.writeMissing(name);
        } else if (const QString why = streamTable(mdb.get(), entry, name, out); !why.isEmpty()) {
            out.writeUnreadable(name, why);
        }
    }
}

RowStream readLessonFile(const QString &path, const QStringList &tables)
{
    RowStreamWriter writer;
    MdbReader::stream(path, tables, writer);
    writer.finish();
    RowStream result;
    QString why;
    // The writer only produces valid streams, so this cannot fail.
    parseRowStream(writer.bytes(), &result, &why);
    return result;
}
