// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessons/plainrowstreamwriter.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>

using namespace RowStreamFormat;

namespace {

constexpr std::size_t kFlushThreshold = 64 * 1024;
constexpr char kReplacement[] = "\xEF\xBF\xBD";

bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Tables are told apart as the database tells them apart: without regard to
// case. The program asks for ASCII names; the reader folds other names itself.
std::string nameKey(std::string_view name)
{
    std::string key(name);
    for (char &c : key) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return key;
}

} // namespace

bool PlainRowStreamWriter::isValidUtf8(std::string_view bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        // Lesson text is mostly ASCII: eight bytes at a time while it is.
        std::uint64_t eight;
        if (end - p >= 8 && (std::memcpy(&eight, p, 8), (eight & 0x8080808080808080u) == 0)) {
            p += 8;
            continue;
        }
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more;
        char32_t code;
        char32_t least;
        if ((c & 0xE0) == 0xC0) {
            more = 1;
            code = c & 0x1F;
            least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2;
            code = c & 0x0F;
            least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3;
            code = c & 0x07;
            least = 0x10000;
        } else {
            return false;
        }
        if (end - p <= more)
            return false;
        for (int i = 1; i <= more; ++i) {
            if (!isContinuation(p[i]))
                return false;
            code = code << 6 | (p[i] & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        p += more + 1;
    }
    return true;
}

std::string PlainRowStreamWriter::repairedUtf8(std::string_view bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const std::size_t size = bytes.size();
    std::string out;
    out.reserve(size + 8);
    std::size_t i = 0;
    while (i < size) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            out += char(c);
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t least = 0;
        if (c >= 0xC2 && c < 0xE0) {
            length = 2;
            least = 0x80;
        } else if (c >= 0xE0 && c < 0xF0) {
            length = 3;
            least = 0x800;
        } else if (c >= 0xF0 && c < 0xF5) {
            length = 4;
            least = 0x10000;
        }
        bool good = length > 0;
        if (good && size - i < length) {
            // Too few bytes left: an unfinished character, unless what there is already cannot continue it.
            const std::size_t left = size - i - 1;
            if ((left > 0 && !isContinuation(p[i + 1])) || (left > 1 && !isContinuation(p[i + 2])))
                good = false;
            else
                break;
        }
        if (good) {
            char32_t code = c & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
            for (std::size_t k = 1; k < length && good; ++k) {
                good = isContinuation(p[i + k]);
                code = code << 6 | (p[i + k] & 0x3F);
            }
            good = good && code >= least && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        }
        if (good) {
            out.append(bytes.data() + i, length);
            i += length;
        } else {
            // Only the first byte is taken; what follows is looked at again.
            out += kReplacement;
            ++i;
        }
    }
    return out;
}

PlainRowStreamWriter::PlainRowStreamWriter()
{
    m_buffer.append(kMagic, kMagicSize);
    appendU32(kVersion);
}

PlainRowStreamWriter::PlainRowStreamWriter(FILE *file)
    : PlainRowStreamWriter()
{
    m_file = file;
}

PlainRowStreamWriter::PlainRowStreamWriter(Sink sink)
    : PlainRowStreamWriter()
{
    m_sink = std::move(sink);
}

void PlainRowStreamWriter::requireOpen(const char *what) const
{
    if (m_state == State::Finished)
        throw std::logic_error(std::string("row stream: ") + what + " after the end");
    if (m_state == State::AfterError)
        throw std::logic_error(std::string("row stream: ") + what + " after the error frame");
}

void PlainRowStreamWriter::beginTable(std::string_view name, const std::vector<std::string_view> &columns)
{
    requireOpen("table");
    claimName(name);
    if (columns.size() > kMaxColumns)
        throw std::logic_error("row stream: too many columns");
    std::size_t at = beginFrame('T');
    appendText(name);
    endFrame(at);
    at = beginFrame('C');
    appendU32(std::uint32_t(columns.size()));
    for (std::string_view column : columns)
        appendString(column);
    endFrame(at);
    m_state = State::Rows;
    m_columnCount = columns.size();
    flushIfFull();
}

void PlainRowStreamWriter::writeRow(const std::string_view *values, std::size_t count)
{
    if (m_state != State::Rows)
        throw std::logic_error("row stream: row outside a table");
    if (count != m_columnCount)
        throw std::logic_error("row stream: value count differs from the column count");
    const std::size_t at = beginFrame('R');
    appendU32(std::uint32_t(count));
    for (std::size_t i = 0; i < count; ++i)
        appendString(values[i]);
    endFrame(at);
    flushIfFull();
}

void PlainRowStreamWriter::writeMissing(std::string_view name)
{
    requireOpen("missing-table frame");
    claimName(name);
    const std::size_t at = beginFrame('M');
    appendText(name);
    endFrame(at);
    m_state = State::Items;
    flushIfFull();
}

void PlainRowStreamWriter::writeUnreadable(std::string_view name, std::string_view why)
{
    requireOpen("unreadable-table frame");
    if (repairedUtf8(why).empty())
        throw std::logic_error("row stream: empty reason for an unreadable table");
    claimName(name);
    const std::size_t at = beginFrame('U');
    appendString(name);
    appendString(why);
    endFrame(at);
    m_state = State::Items;
    flushIfFull();
}

void PlainRowStreamWriter::writeError(std::string_view text)
{
    requireOpen("error frame");
    if (repairedUtf8(text).empty())
        throw std::logic_error("row stream: empty error text");
    const std::size_t at = beginFrame('E');
    appendText(text);
    endFrame(at);
    m_state = State::AfterError;
}

bool PlainRowStreamWriter::finish()
{
    if (m_state == State::Finished)
        throw std::logic_error("row stream: finished twice");
    const std::size_t at = beginFrame('Z');
    endFrame(at);
    m_state = State::Finished;
    flush();
    if (m_file && fflush(m_file) != 0)
        m_failed = true;
    return !m_failed;
}

void PlainRowStreamWriter::claimName(std::string_view name)
{
    const std::string text = isValidUtf8(name) ? std::string(name) : repairedUtf8(name);
    if (text.empty() || text.size() > kMaxNameBytes)
        throw std::logic_error("row stream: bad table name");
    if (!m_names.insert(nameKey(text)).second)
        throw std::logic_error("row stream: table named twice");
}

std::size_t PlainRowStreamWriter::beginFrame(char tag)
{
    m_buffer += tag;
    const std::size_t lengthAt = m_buffer.size();
    appendU32(0);
    return lengthAt;
}

void PlainRowStreamWriter::endFrame(std::size_t lengthAt)
{
    const std::size_t length = m_buffer.size() - lengthAt - 4;
    if (length > kMaxPayload)
        throw std::logic_error("row stream: frame too large");
    for (int i = 0; i < 4; ++i)
        m_buffer[lengthAt + std::size_t(i)] = char((std::uint32_t(length) >> (8 * i)) & 0xFF);
}

void PlainRowStreamWriter::appendU32(std::uint32_t value)
{
    const char bytes[4] = {char(value & 0xFF), char((value >> 8) & 0xFF), char((value >> 16) & 0xFF),
                           char((value >> 24) & 0xFF)};
    m_buffer.append(bytes, 4);
}

void PlainRowStreamWriter::appendText(std::string_view utf8)
{
    if (isValidUtf8(utf8))
        m_buffer.append(utf8);
    else
        m_buffer += repairedUtf8(utf8);
}

void PlainRowStreamWriter::appendString(std::string_view utf8)
{
    const std::size_t lengthAt = m_buffer.size();
    appendU32(0);
    appendText(utf8);
    const auto length = std::uint32_t(m_buffer.size() - lengthAt - 4);
    for (int i = 0; i < 4; ++i)
        m_buffer[lengthAt + std::size_t(i)] = char((length >> (8 * i)) & 0xFF);
}

void PlainRowStreamWriter::flushIfFull()
{
    if (m_buffer.size() >= kFlushThreshold)
        flush();
}

void PlainRowStreamWriter::flush()
{
    if (m_buffer.empty() || (!m_file && !m_sink))
        return;
    if (m_file) {
        if (fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size())
            m_failed = true;
    } else if (!m_sink(m_buffer.data(), m_buffer.size())) {
        m_failed = true;
    }
    m_buffer.clear();
}
