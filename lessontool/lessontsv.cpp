// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessontool/lessontsv.h"

#include "base/errors.h"
#include "lessons/rowstream.h"

#include <QFile>
#include <QHash>

namespace {

const char *const kFieldNames[] = {"NUMBER", "ENGLISH", "CHINESE"};

[[noreturn]] void reject(const QString &fileName, int line, const QString &reason)
{
    throw AppError(QStringLiteral("%1:%2: %3").arg(fileName).arg(line).arg(reason));
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// Undoes the four escapes; returns false with a reason for anything else.
bool unescape(QByteArrayView field, QByteArray *out, QString *why)
{
    out->clear();
    out->reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\0') {
            *why = QStringLiteral("contains a NUL character");
            return false;
        }
        if (c != '\\') {
            out->append(c);
            continue;
        }
        if (++i == field.size()) {
            *why = QStringLiteral("ends with a lone backslash");
            return false;
        }
        switch (field[i]) {
        case 't':
            out->append('\t');
            break;
        case 'n':
            out->append('\n');
            break;
        case 'r':
            out->append('\r');
            break;
        case '\\':
            out->append('\\');
            break;
        default: {
            // Show the whole character after the backslash, even a multi-byte one.
            qsizetype end = i + 1;
            while (end < field.size() && (uchar(field[end]) & 0xC0) == 0x80)
                ++end;
            *why = QStringLiteral("has the bad escape \\%1").arg(QString::fromUtf8(field.sliced(i, end - i)));
            return false;
        }
        }
    }
    return true;
}

} // namespace

std::vector<LessonTsv::Row> LessonTsv::parse(QByteArrayView bytes, const QString &fileName)
{
    std::vector<Row> rows;
    QHash<QString, int> firstLineOf;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        reject(fileName, 1,
               QStringLiteral("starts with a byte order mark; save the file as UTF-8 without BOM"));

    int lineNumber = 0;
    qsizetype start = 0;
    while (start < bytes.size()) {
        ++lineNumber;
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QByteArrayView line = bytes.sliced(start, end - start);
        start = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (!isValidUtf8(line))
            reject(fileName, lineNumber, QStringLiteral("is not valid UTF-8"));

        QByteArrayView fields[3];
        int count = 0;
        qsizetype fieldStart = 0;
        for (qsizetype i = 0; i <= line.size(); ++i) {
            if (i < line.size() && line[i] != '\t')
                continue;
            if (count < 3)
                fields[count] = line.sliced(fieldStart, i - fieldStart);
            ++count;
            fieldStart = i + 1;
        }
        if (count != 3)
            reject(
                fileName, lineNumber,
                QStringLiteral("has %1 TAB-separated fields; a row needs exactly 3: NUMBER, ENGLISH, CHINESE")
                    .arg(count));

        QString values[3];
        for (int f = 0; f < 3; ++f) {
            QByteArray text;
            QString why;
            if (!unescape(fields[f], &text, &why))
                reject(fileName, lineNumber, QStringLiteral("%1 %2").arg(QLatin1String(kFieldNames[f]), why));
            values[f] = decodeUtf8(text);
        }
        if (values[0].isEmpty())
            reject(fileName, lineNumber, QStringLiteral("NUMBER is empty"));
        const QString key = numberKey(values[0]);
        if (const auto first = firstLineOf.constFind(key); first != firstLineOf.constEnd())
            reject(fileName, lineNumber,
                   QStringLiteral("NUMBER %1 is already used on line %2").arg(quoted(values[0])).arg(*first));
        firstLineOf.insert(key, lineNumber);
        rows.push_back(Row{lineNumber, std::move(values[0]), std::move(values[1]), std::move(values[2])});
    }
    return rows;
}

std::vector<LessonTsv::Row> LessonTsv::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("%1: cannot read: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("%1: cannot read: %2").arg(path, file.errorString()));
    return parse(bytes, path);
}

QString LessonTsv::escapeField(const QString &field)
{
    QString out;
    out.reserve(field.size() + 8);
    for (const QChar c : field) {
        switch (c.unicode()) {
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QByteArray LessonTsv::formatRow(const QString &number, const QString &english, const QString &chinese)
{
    QString line = escapeField(number);
    line += QLatin1Char('\t');
    line += escapeField(english);
    line += QLatin1Char('\t');
    line += escapeField(chinese);
    line += QLatin1Char('\n');
    return line.toUtf8();
}

QString LessonTsv::numberKey(const QString &number)
{
    QString key = number;
    for (QChar &c : key) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return key;
}
