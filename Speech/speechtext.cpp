// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech/speechtext.h"

#include <QChar>
#include <QStringView>

namespace {

struct Replacement
{
    char32_t from;
    const char *to;
};

// Punctuation as typed with typographic quotes or a Chinese input method, and
// the letters that have no decomposition.
constexpr Replacement kReplacements[] = {
    {0x2018, "'"},  {0x2019, "'"},  {0x201a, "'"},  {0x201b, "'"},  {0x2032, "'"},  {0x201c, "\""},
    {0x201d, "\""}, {0x201e, "\""}, {0x201f, "\""}, {0x2033, "\""}, {0x00ab, "\""}, {0x00bb, "\""},
    {0x300c, "\""}, {0x300d, "\""}, {0x300e, "\""}, {0x300f, "\""}, {0x2010, "-"},  {0x2011, "-"},
    {0x2012, "-"},  {0x2013, "-"},  {0x2014, "-"},  {0x2015, "-"},  {0x2212, "-"},  {0x2026, "..."},
    {0x3002, "."},  {0xff61, "."},  {0x3001, ","},  {0xff64, ","},  {0x00df, "ss"}, {0x00c6, "AE"},
    {0x00e6, "ae"}, {0x0152, "OE"}, {0x0153, "oe"}, {0x00d8, "O"},  {0x00f8, "o"},
};

// The ASCII form of one character; empty when it has none.
QByteArray asciiFor(char32_t c)
{
    if (c == '\n' || (c >= 0x20 && c < 0x7f))
        return QByteArray(1, char(c));
    if (c >= 0xff01 && c <= 0xff5e) // full-width forms of ASCII, as Chinese input methods type them
        return QByteArray(1, char(c - 0xfee0));
    for (const Replacement &r : kReplacements) {
        if (r.from == c)
            return r.to;
    }
    // A letter with accents: its base letter.
    if (c >= 0xc0 && c < 0x250) {
        const QString decomposed = QChar::decomposition(c);
        if (!decomposed.isEmpty() && decomposed.front().isLetter() && decomposed.front().unicode() < 0x7f)
            return QByteArray(1, char(decomposed.front().unicode()));
    }
    return {};
}

bool isLineBreak(char32_t c)
{
    return c == '\n' || c == '\r' || c == 0x0b || c == 0x0c || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// Characters that are there only for layout and are dropped.
bool isInvisible(char32_t c)
{
    return c == 0x00ad || (c >= 0x200b && c <= 0x200d) || c == 0x2060 || c == 0xfeff;
}

} // namespace

QByteArray plainSpeechText(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    int run = 0;
    const auto append = [&](char c) {
        if (c == ' ' || c == '\n') {
            run = 0;
        } else if (++run > kLongestSpokenWord) {
            out += ' ';
            run = 1;
        }
        out += c;
    };

    const QStringView view(text);
    for (qsizetype i = 0; i < view.size(); ++i) {
        char32_t c = view[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < view.size() && view[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(view[i], view[i + 1]);
            ++i;
        }
        if (isInvisible(c))
            continue;
        if (isLineBreak(c)) {
            // "\r\n" is one break.
            if (c == '\r' && i + 1 < view.size() && view[i + 1] == u'\n')
                ++i;
            append('\n');
            continue;
        }
        const QByteArray ascii = asciiFor(c);
        if (ascii.isEmpty()) {
            append(' ');
            continue;
        }
        for (char a : ascii)
            append(a);
    }
    return out;
}
