// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessontool/mdbreader.h"

#include "lessons/plainrowstreamwriter.h"
#include "lessons/readertexts.h"

// mdbtools.h includes glib.h inside its extern "C" block; glib's C++ parts
// must come first, outside it.
#include <glib.h>
#include <mdbtools.h>

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_set>
#include <utility>

namespace {

constexpr long long kMinBindSize = MDB_BIND_SIZE;
constexpr long long kMaxBindSize = 16 << 20;

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

// A reader text with its argument in place of %1.
std::string withArgument(const char *text, const char *argument)
{
    std::string out(text);
    if (const size_t at = out.find("%1"); at != std::string::npos)
        out.replace(at, 2, argument);
    return out;
}

// Whether the file is there to read, and what size it has; a reason when not.
std::string checkFile(const std::string &path, long long *size)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return withArgument(ReaderTexts::kCannotOpen, std::strerror(errno));
    struct stat info;
    std::string why;
    char head[20];
    if (::fstat(fd, &info) != 0) {
        why = withArgument(ReaderTexts::kCannotOpen, std::strerror(errno));
    } else if (S_ISDIR(info.st_mode)) {
        why = withArgument(ReaderTexts::kCannotOpen, std::strerror(EISDIR));
    } else {
        *size = info.st_size;
        ssize_t got = 0;
        while (got < ssize_t(sizeof head)) {
            const ssize_t n = ::read(fd, head + got, sizeof head - size_t(got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        const std::string_view kind(head + 4, 15);
        if (got != ssize_t(sizeof head) || head[0] != 0 ||
            (kind != "Standard Jet DB" && kind != "Standard ACE DB"))
            why = ReaderTexts::kNotJet;
    }
    ::close(fd);
    return why;
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

MdbCatalogEntry *findTable(MdbHandle *mdb, const std::string &name)
{
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && g_ascii_strcasecmp(entry->object_name, name.c_str()) == 0)
            return entry;
    }
    return nullptr;
}

// Tables are told apart without regard to case, as the program tells them apart.
std::string nameKey(const std::string &name)
{
    const std::string text = PlainRowStreamWriter::repairedUtf8(name);
    gchar *folded = g_utf8_casefold(text.data(), gssize(text.size()));
    std::string key(folded);
    g_free(folded);
    return key;
}

// Streams one table; when libmdb cannot read it, writes nothing and says why.
const char *streamTable(MdbHandle *mdb, MdbCatalogEntry *entry, const std::string &name,
                        PlainRowStreamWriter &out)
{
    const Table table(mdb_read_table(entry));
    if (!table)
        return ReaderTexts::kDefinitionDamaged;
    if (!mdb_read_columns(table.get()))
        return ReaderTexts::kColumnsDamaged;
    // libmdb leaves the usage map empty when the definition points to no such
    // row, and then crashes looking for the table's first data page.
    if (!table->usage_map || table->map_sz == 0)
        return ReaderTexts::kPagesDamaged;
    const unsigned int count = table->num_cols;
    std::vector<std::string_view> columns;
    std::vector<Buffer> buffers;
    for (unsigned int i = 0; i < count; ++i) {
        auto *column = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
        columns.emplace_back(column->name);
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
    std::vector<std::string_view> values(count);
    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get())) {
        for (unsigned int i = 0; i < count; ++i) {
            const char *value = buffers[i].get();
            values[i] = value ? std::string_view(value) : std::string_view();
        }
        out.writeRow(values.data(), count);
    }
    return nullptr;
}

} // namespace

void MdbReader::stream(const std::string &path, const std::vector<std::string> &tables,
                       PlainRowStreamWriter &out)
{
    long long fileSize = 0;
    if (const std::string why = checkFile(path, &fileSize); !why.empty()) {
        out.writeError(why);
        return;
    }
    // No value can be longer than the file; UCS-2 grows by half at most as UTF-8.
    const long long bindSize = std::clamp(fileSize / 2 * 3 + 4096, kMinBindSize, kMaxBindSize);

    const Handle mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (!mdb) {
        out.writeError(ReaderTexts::kNotJet);
        return;
    }
    if (!useOwnDecoder(mdb.get())) {
        out.writeError(ReaderTexts::kNoDecoder);
        return;
    }
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE)) {
        out.writeError(ReaderTexts::kNoCatalogue);
        return;
    }
    // The catalogue reader binds into buffers of the default size, so the
    // larger size may only be set after it.
    mdb_set_bind_size(mdb.get(), size_t(bindSize));

    // What to read, each table once; the stream cannot name a table twice.
    std::vector<std::pair<MdbCatalogEntry *, std::string>> wanted;
    std::unordered_set<std::string> seen;
    auto want = [&](MdbCatalogEntry *entry, const std::string &name) {
        if (PlainRowStreamWriter::repairedUtf8(name).empty() || !seen.insert(nameKey(name)).second)
            return;
        wanted.emplace_back(entry, name);
    };
    if (tables.empty()) {
        for (guint i = 0; i < mdb->num_catalog; ++i) {
            auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
            if (mdb_is_user_table(entry))
                want(entry, entry->object_name);
        }
    }
    for (const std::string &name : tables)
        want(findTable(mdb.get(), name), name);

    // A table that cannot be read fails alone: the others may still serve.
    for (const auto &[entry, name] : wanted) {
        if (!entry) {
            out.writeMissing(name);
        } else if (const char *why = streamTable(mdb.get(), entry, name, out)) {
            out.writeUnreadable(name, why);
        }
    }
}
