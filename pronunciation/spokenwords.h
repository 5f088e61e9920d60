// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pronunciation/typedwords.h"

#include <QByteArrayList>
#include <QList>

#include <functional>

// How one typed word may be said, in words of the recogniser's dictionary.
struct SpokenWord
{
    // Each way of saying it, as the dictionary words said one after the
    // other ("1990": "nineteen ninety", or "one thousand nine hundred
    // ninety", ...). None: the word cannot be scored.
    QList<QByteArrayList> readings;

    bool scored() const { return !readings.isEmpty(); }
};

// Whether the recogniser's dictionary has a word (lower case, UTF-8).
using DictionaryLookup = std::function<bool(const QByteArray &word)>;

// The typed words as the recogniser is to listen for them: case folded,
// full-width forms and curly apostrophes made plain, so that "Don’t" is the
// dictionary's "don't"; numbers written with digits said as words; a word
// the dictionary lacks taken apart at hyphens and other inner marks when
// every part is in it ("check-out"). A word still unknown (a pinyin name
// such as Xiaoming) is not scored.
SpokenWord spokenWord(const TypedWord &word, const DictionaryLookup &inDictionary);
QList<SpokenWord> spokenWords(const QList<TypedWord> &words, const DictionaryLookup &inDictionary);
