// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// The longest run of characters without a space handed to the synthesiser:
// its letter-to-sound rules take time far beyond linear in a word's length.
inline constexpr int kLongestSpokenWord = 32;

// A learner's text as plain ASCII for an English synthesiser: typographic and
// full-width punctuation, spaces and letters become their ASCII forms, accents
// are dropped, line breaks become '\n', and every other character (Chinese,
// controls, lone surrogates) becomes a space, so that it is passed over in
// silence. Runs longer than kLongestSpokenWord are broken with spaces.
QByteArray plainSpeechText(const QString &text);
