// SPDX-License-Identifier: GPL-3.0-or-later
#include "pronunciation/spokenwords.h"

#include "pronunciation/numberwords.h"

namespace {

// Beyond this many ways of saying a word, the rarer ones are left out: each
// is a path of its own in the recogniser's grammar.
constexpr qsizetype kMostReadings = 6;

QString plain(const QString &text)
{
    QString folded = text.normalized(QString::NormalizationForm_KC).toLower();
    for (QChar &c : folded) {
        switch (c.unicode()) {
        case 0x2018: // ‘
        case 0x2019: // ’
        case 0x02BC: // ʼ
        case 0x0060: // `
        case 0x00B4: // ´
            c = u'\'';
            break;
        case 0x2010: // hyphen
        case 0x2011: // non-breaking hyphen
        case 0x2013: // en dash
            c = u'-';
            break;
        default:
            break;
        }
    }
    return folded;
}

QList<QByteArrayList> readingsOf(const QString &text, const DictionaryLookup &inDictionary, int depth);

QList<QByteArrayList> knownReadings(const QList<QStringList> &candidates,
                                    const DictionaryLookup &inDictionary)
{
    QList<QByteArrayList> readings;
    for (const QStringList &words : candidates) {
        QByteArrayList reading;
        for (const QString &word : words) {
            const QByteArray utf8 = word.toUtf8();
            if (!inDictionary(utf8))
                return readings; // the number words are all there, or none is
            reading << utf8;
        }
        readings << reading;
    }
    return readings;
}

// A word made of parts that are words of their own: each part's readings
// one after the other, when every part has one.
QList<QByteArrayList> partsReadings(const QString &text, const DictionaryLookup &inDictionary, int depth)
{
    QStringList parts;
    QString part;
    for (QChar c : text) {
        if (c.isLetterOrNumber() || c == u'\'') {
            part += c;
        } else if (!part.isEmpty()) {
            parts << part;
            part.clear();
        }
    }
    if (!part.isEmpty())
        parts << part;
    if (parts.size() < 2)
        return {};
    QList<QByteArrayList> readings{QByteArrayList()};
    for (const QString &each : std::as_const(parts)) {
        const QList<QByteArrayList> partReadings = readingsOf(each, inDictionary, depth + 1);
        if (partReadings.isEmpty())
            return {};
        QList<QByteArrayList> longer;
        for (const QByteArrayList &before : std::as_const(readings)) {
            for (const QByteArrayList &after : partReadings) {
                if (longer.size() < kMostReadings)
                    longer << before + after;
            }
        }
        readings = longer;
    }
    return readings;
}

QList<QByteArrayList> readingsOf(const QString &text, const DictionaryLookup &inDictionary, int depth)
{
    const QByteArray utf8 = text.toUtf8();
    if (inDictionary(utf8))
        return {{utf8}};
    // Abbreviations: "mr" is typed for the dictionary's "mr.", "u.s" for "u.s.".
    if (inDictionary(utf8 + '.'))
        return {{utf8 + '.'}};
    QList<QByteArrayList> readings = knownReadings(numberReadings(text), inDictionary);
    if (readings.isEmpty() && depth == 0)
        readings = partsReadings(text, inDictionary, depth);
    if (readings.size() > kMostReadings)
        readings.resize(kMostReadings);
    return readings;
}

} // namespace

SpokenWord spokenWord(const TypedWord &word, const DictionaryLookup &inDictionary)
{
    return {readingsOf(plain(word.text), inDictionary, 0)};
}

QList<SpokenWord> spokenWords(const QList<TypedWord> &words, const DictionaryLookup &inDictionary)
{
    QList<SpokenWord> spoken;
    spoken.reserve(words.size());
    for (const TypedWord &word : words)
        spoken << spokenWord(word, inDictionary);
    return spoken;
}
