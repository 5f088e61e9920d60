// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

// One word of a text the learner typed, where it stands in that text.
struct TypedWord
{
    QString text;           // as typed, case kept
    qsizetype position = 0; // of its first character in the text
    qsizetype length = 0;
};

// The words of a typed text, in order: the text split on white space, with
// the characters that are neither letters nor digits stripped from both ends
// of each piece; a piece with nothing left is no word. What is inside a word
// stays, so "don't" and "check-out" are one word each.
QList<TypedWord> typedWords(const QString &text);
