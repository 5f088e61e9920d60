// SPDX-License-Identifier: GPL-3.0-or-later
// Whatever a learner types on the Read page is cleaned before the synthesiser
// sees it. The input is read as UTF-16 code units, lone surrogates included.
#include "Speech/speechtext.h"
#include "fuzz/fuzzcheck.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, size / 2 * 2);
    const QByteArray plain = plainSpeechText(text);

    // Plain ASCII, no word longer than the synthesiser can take.
    int run = 0;
    for (const char c : plain) {
        FUZZ_CHECK(c == '\n' || (c >= 0x20 && c < 0x7f));
        run = c == ' ' || c == '\n' ? 0 : run + 1;
        FUZZ_CHECK(run <= kLongestSpokenWord);
    }
    // Every character gives at most three.
    FUZZ_CHECK(plain.size() <= 3 * text.size() + text.size() / kLongestSpokenWord + 1);
    // Clean text stays as it is.
    FUZZ_CHECK(plainSpeechText(QString::fromLatin1(plain)) == plain);
    return 0;
}
