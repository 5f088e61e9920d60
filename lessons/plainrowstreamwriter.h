// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// The row stream's framing (the format is described in rowstream.h), shared
// by the writer below and the one parser.
namespace RowStreamFormat {
inline constexpr char kMagic[] = "DAROROWS";
inline constexpr std::size_t kMagicSize = 8;
inline constexpr std::uint32_t kVersion = 2;
inline constexpr std::size_t kHeaderSize = kMagicSize + 4;
inline constexpr std::size_t kFrameHeaderSize = 5;

// Limits for untrusted input. Lesson tables have three columns and sentences
// of a few hundred characters; these leave room for far more.
inline constexpr std::uint32_t kMaxPayload = 256u << 20;
inline constexpr std::uint32_t kMaxColumns = 1024;
inline constexpr std::uint32_t kMaxNameBytes = 4096;
} // namespace RowStreamFormat

// Writes a row stream frame by frame from UTF-8 text, in plain C++: the lesson
// reader child links it without Qt, so that it starts as fast as any small
// program. Text that is not valid UTF-8 is repaired as Qt's decoder would
// read it. Misuse (a row outside a table, a wrong value count, a table named
// twice, anything after finish()) throws std::logic_error, so that every
// stream written passes parseRowStream().
class PlainRowStreamWriter
{
public:
    // Takes the next piece of the stream; false when it could not be written.
    using Sink = std::function<bool(const char *data, std::size_t size)>;

    PlainRowStreamWriter(); // collects the stream in memory, see bytes()
    explicit PlainRowStreamWriter(FILE *file);
    explicit PlainRowStreamWriter(Sink sink);
    PlainRowStreamWriter(const PlainRowStreamWriter &) = delete;
    PlainRowStreamWriter &operator=(const PlainRowStreamWriter &) = delete;

    void beginTable(std::string_view name, const std::vector<std::string_view> &columns);
    void writeRow(const std::string_view *values, std::size_t count);
    void writeMissing(std::string_view name);
    void writeUnreadable(std::string_view name, std::string_view why);
    void writeError(std::string_view text);
    // Writes the end frame and flushes; false when the output failed.
    bool finish();

    bool failed() const { return m_failed; }
    // The whole stream when it is collected in memory.
    const std::string &bytes() const { return m_buffer; }

    // Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
    static bool isValidUtf8(std::string_view bytes);
    // What Qt's UTF-8 decoder reads in bytes, as UTF-8 again: a byte that
    // cannot start or continue a character becomes U+FFFD, an unfinished
    // character at the very end is dropped.
    static std::string repairedUtf8(std::string_view bytes);

private:
    enum class State { Items, Rows, AfterError, Finished };

    void requireOpen(const char *what) const;
    void claimName(std::string_view name);
    std::size_t beginFrame(char tag);
    void endFrame(std::size_t lengthAt);
    void appendU32(std::uint32_t value);
    void appendText(std::string_view utf8);
    void appendString(std::string_view utf8);
    void flushIfFull();
    void flush();

    FILE *m_file = nullptr;
    Sink m_sink;
    std::string m_buffer;
    State m_state = State::Items;
    std::size_t m_columnCount = 0;
    std::unordered_set<std::string> m_names;
    bool m_failed = false;
};
