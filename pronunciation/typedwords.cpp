// SPDX-License-Identifier: GPL-3.0-or-later
#include "pronunciation/typedwords.h"

QList<TypedWord> typedWords(const QString &text)
{
    QList<TypedWord> words;
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        while (i < size && text.at(i).isSpace())
            ++i;
        qsizetype end = i;
        while (end < size && !text.at(end).isSpace())
            ++end;
        qsizetype first = i;
        qsizetype last = end;
        while (first < last && !text.at(first).isLetterOrNumber())
            ++first;
        while (last > first && !text.at(last - 1).isLetterOrNumber())
            --last;
        if (last > first)
            words.append({text.mid(first, last - first), first, last - first});
        i = end;
    }
    return words;
}
