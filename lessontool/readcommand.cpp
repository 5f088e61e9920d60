// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessontool/readcommand.h"

#include "lessons/plainrowstreamwriter.h"
#include "lessontool/mdbreader.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kDone = 0;
constexpr int kUsage = 2;
constexpr size_t kMaxTableName = 256;

// Characters, not bytes: the limit is a name's length as a person counts it.
size_t characters(const char *text)
{
    size_t count = 0;
    for (const char *p = text; *p; ++p)
        count += (static_cast<unsigned char>(*p) & 0xC0) != 0x80;
    return count;
}

} // namespace

int runRead(int argc, char *const *argv, const char *program)
{
    if (argc < 2) {
        std::fprintf(stderr, "%s: read needs a lesson file and at least one table\n", program);
        return kUsage;
    }
    std::vector<std::string> tables;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '\0' || characters(argv[i]) > kMaxTableName) {
            std::fprintf(stderr, "%s: bad table name \"%s\"\n", program, argv[i]);
            return kUsage;
        }
        tables.emplace_back(argv[i]);
    }
    // The stream gets standard output to itself: anything libmdb prints on
    // its own goes to standard error instead of into the stream.
    std::fflush(stdout);
    FILE *stream = nullptr;
    if (const int streamFd = dup(STDOUT_FILENO); streamFd >= 0) {
        stream = fdopen(streamFd, "wb");
        if (!stream || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
            if (stream)
                std::fclose(stream);
            stream = nullptr;
        }
    }
    PlainRowStreamWriter writer(stream ? stream : stdout);
    MdbReader::stream(argv[0], tables, writer);
    writer.finish();
    if (stream)
        std::fclose(stream);
    return kDone;
}
