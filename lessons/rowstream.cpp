// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessons/rowstream.h"

#include "lessons/readertexts.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QStringDecoder>

#include <stdexcept>

using namespace RowStreamFormat;

namespace {

quint32 loadU32(const char *p)
{
    const auto *u = reinterpret_cast<const uchar *>(p);
    return quint32(u[0]) | quint32(u[1]) << 8 | quint32(u[2]) << 16 | quint32(u[3]) << 24;
}

// Tables are told apart as the database tells them apart: without regard to case.
QString tableKey(const QString &name)
{
    return name.toCaseFolded();
}

// Reads length-prefixed strings from one frame's payload.
class PayloadReader
{
public:
    explicit PayloadReader(QByteArrayView payload)
        : m_data(payload)
    {}

    bool u32(quint32 *value)
    {
        if (m_data.size() - m_pos < 4)
            return false;
        *value = loadU32(m_data.data() + m_pos);
        m_pos += 4;
        return true;
    }

    // Length-prefixed bytes; false if they overrun the payload.
    bool bytes(QByteArrayView *value)
    {
        quint32 length = 0;
        if (!u32(&length) || length > quint64(m_data.size() - m_pos))
            return false;
        *value = m_data.sliced(m_pos, qsizetype(length));
        m_pos += qsizetype(length);
        return true;
    }

    // A length-prefixed UTF-8 string; false if it overruns the payload or is not UTF-8.
    bool string(QString *value, QString *why)
    {
        QByteArrayView bytes;
        if (!this->bytes(&bytes)) {
            *why = QStringLiteral("a string overruns its frame");
            return false;
        }
        if (!isValidUtf8(bytes)) {
            *why = QStringLiteral("a string is not valid UTF-8");
            return false;
        }
        *value = decodeUtf8(bytes);
        return true;
    }

    bool atEnd() const { return m_pos == m_data.size(); }
    qsizetype remaining() const { return m_data.size() - m_pos; }

private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
};

bool parseStringList(QByteArrayView payload, quint32 maxCount, QStringList *out, quint32 *count, QString *why)
{
    PayloadReader reader(payload);
    if (!reader.u32(count)) {
        *why = QStringLiteral("the count is missing");
        return false;
    }
    // Every entry takes at least four bytes, so a count beyond that is a lie.
    if (*count > maxCount || *count > quint64(reader.remaining()) / 4) {
        *why = QStringLiteral("the count %1 is impossible").arg(*count);
        return false;
    }
    QStringList values;
    values.reserve(qsizetype(*count));
    for (quint32 i = 0; i < *count; ++i) {
        QString value;
        if (!reader.string(&value, why))
            return false;
        values.append(std::move(value));
    }
    if (!reader.atEnd()) {
        *why = QStringLiteral("bytes are left over after the last entry");
        return false;
    }
    *out = std::move(values);
    return true;
}

} // namespace

bool isValidUtf8(QByteArrayView bytes)
{
    return PlainRowStreamWriter::isValidUtf8(std::string_view(bytes.data(), size_t(bytes.size())));
}

QString decodeUtf8(QByteArrayView bytes)
{
    // QString::fromUtf8() would drop a leading U+FEFF, which is text here.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

QString readerText(const QString &reported)
{
    for (const char *text : ReaderTexts::kAll) {
        const QString source = QString::fromUtf8(text);
        const qsizetype at = source.indexOf(QLatin1String("%1"));
        if (at < 0) {
            if (reported == source)
                return QCoreApplication::translate(ReaderTexts::kContext, text);
            continue;
        }
        const QStringView before = QStringView(source).left(at);
        const QStringView after = QStringView(source).mid(at + 2);
        if (reported.size() >= before.size() + after.size() && reported.startsWith(before) &&
            reported.endsWith(after))
            return QCoreApplication::translate(ReaderTexts::kContext, text)
                .arg(reported.mid(before.size(), reported.size() - before.size() - after.size()));
    }
    return reported;
}

namespace {

std::string_view view(const QByteArray &utf8)
{
    return std::string_view(utf8.constData(), size_t(utf8.size()));
}

} // namespace

RowStreamWriter::RowStreamWriter() = default;

RowStreamWriter::RowStreamWriter(FILE *file)
    : m_out(file)
{}

RowStreamWriter::RowStreamWriter(QIODevice *device)
    : m_out([device](const char *data, size_t size) {
        return device->write(data, qint64(size)) == qint64(size);
    })
{}

void RowStreamWriter::claimName(const QString &name)
{
    const QString key = tableKey(name);
    if (m_names.contains(key))
        throw std::logic_error("row stream: table named twice");
    m_names.insert(key);
}

void RowStreamWriter::beginTable(const QString &name, const QStringList &columns)
{
    claimName(name);
    std::vector<QByteArray> utf8;
    utf8.reserve(size_t(columns.size()));
    for (const QString &column : columns)
        utf8.push_back(column.toUtf8());
    std::vector<std::string_view> views;
    views.reserve(utf8.size());
    for (const QByteArray &column : utf8)
        views.push_back(view(column));
    m_out.beginTable(view(name.toUtf8()), views);
}

void RowStreamWriter::writeRow(const QStringList &values)
{
    std::vector<QByteArray> utf8;
    utf8.reserve(size_t(values.size()));
    for (const QString &value : values)
        utf8.push_back(value.toUtf8());
    std::vector<QByteArrayView> views(utf8.cbegin(), utf8.cend());
    writeRowUtf8(views.data(), qsizetype(views.size()));
}

void RowStreamWriter::writeRowUtf8(const QByteArrayView *values, qsizetype count)
{
    std::vector<std::string_view> views;
    views.reserve(size_t(count));
    for (qsizetype i = 0; i < count; ++i)
        views.emplace_back(values[i].data(), size_t(values[i].size()));
    m_out.writeRow(views.data(), views.size());
}

void RowStreamWriter::writeMissing(const QString &name)
{
    claimName(name);
    m_out.writeMissing(view(name.toUtf8()));
}

void RowStreamWriter::writeUnreadable(const QString &name, const QString &why)
{
    claimName(name);
    m_out.writeUnreadable(view(name.toUtf8()), view(why.toUtf8()));
}

void RowStreamWriter::writeError(const QString &text)
{
    m_out.writeError(view(text.toUtf8()));
}

QByteArray encodeRowStream(const RowStream &stream)
{
    RowStreamWriter writer;
    for (const TableRows &table : stream.tables) {
        if (table.missing) {
            writer.writeMissing(table.name);
            continue;
        }
        if (!table.unreadable.isEmpty()) {
            writer.writeUnreadable(table.name, table.unreadable);
            continue;
        }
        writer.beginTable(table.name, table.columns);
        for (const QStringList &row : table.rows)
            writer.writeRow(row);
    }
    if (!stream.readerError.isEmpty())
        writer.writeError(stream.readerError);
    writer.finish();
    return writer.bytes();
}

bool parseRowStream(QByteArrayView bytes, RowStream *out, QString *whyInvalid)
{
    QString why;
    auto fail = [&](qsizetype offset, const QString &reason) {
        if (whyInvalid)
            *whyInvalid = QStringLiteral("invalid row stream at byte %1: %2").arg(offset).arg(reason);
        return false;
    };

    if (bytes.size() < qsizetype(kHeaderSize) ||
        bytes.first(kMagicSize) != QByteArrayView(kMagic, kMagicSize))
        return fail(0, QStringLiteral("not a row stream"));
    if (const quint32 version = loadU32(bytes.data() + kMagicSize); version != kVersion)
        return fail(kMagicSize, QStringLiteral("unknown version %1").arg(version));

    RowStream result;
    QSet<QString> names;
    enum class Expect { Item, Columns, RowOrItem, End } expect = Expect::Item;
    TableRows *current = nullptr;
    qsizetype pos = kHeaderSize;

    while (true) {
        if (bytes.size() - pos < qsizetype(kFrameHeaderSize))
            return fail(pos, QStringLiteral("the stream ends before its end frame"));
        const char tag = bytes[pos];
        const quint32 length = loadU32(bytes.data() + pos + 1);
        const qsizetype frameAt = pos;
        pos += kFrameHeaderSize;
        if (length > kMaxPayload || length > quint64(bytes.size() - pos))
            return fail(frameAt, QStringLiteral("frame length %1 overruns the stream").arg(length));
        const QByteArrayView payload = bytes.sliced(pos, qsizetype(length));
        pos += qsizetype(length);

        if (expect == Expect::Columns && tag != 'C')
            return fail(frameAt, QStringLiteral("a table's column frame is missing"));
        if (expect == Expect::End && tag != 'Z')
            return fail(frameAt, QStringLiteral("only the end frame may follow the error frame"));

        switch (tag) {
        case 'T':
        case 'M':
        case 'U': {
            QByteArrayView name = payload;
            QByteArrayView reason;
            if (tag == 'U') {
                PayloadReader reader(payload);
                if (!reader.bytes(&name) || !reader.bytes(&reason) || !reader.atEnd())
                    return fail(frameAt,
                                QStringLiteral("an unreadable-table frame must hold a name and a reason"));
                if (reason.isEmpty())
                    return fail(frameAt, QStringLiteral("the reason for an unreadable table is empty"));
                if (!isValidUtf8(reason))
                    return fail(frameAt,
                                QStringLiteral("the reason for an unreadable table is not valid UTF-8"));
            }
            if (name.isEmpty() || name.size() > qsizetype(kMaxNameBytes) || !isValidUtf8(name))
                return fail(frameAt, QStringLiteral("bad table name"));
            TableRows table;
            table.name = decodeUtf8(name);
            table.missing = tag == 'M';
            table.unreadable = decodeUtf8(reason);
            if (names.contains(tableKey(table.name)))
                return fail(frameAt, QStringLiteral("table %1 appears twice").arg(table.name));
            names.insert(tableKey(table.name));
            result.tables.push_back(std::move(table));
            current = tag == 'T' ? &result.tables.back() : nullptr;
            expect = tag == 'T' ? Expect::Columns : Expect::Item;
            break;
        }
        case 'C': {
            if (expect != Expect::Columns)
                return fail(frameAt, QStringLiteral("a column frame outside a table"));
            quint32 count = 0;
            if (!parseStringList(payload, kMaxColumns, &current->columns, &count, &why))
                return fail(frameAt, QStringLiteral("bad column frame: %1").arg(why));
            expect = Expect::RowOrItem;
            break;
        }
        case 'R': {
            if (expect != Expect::RowOrItem || !current)
                return fail(frameAt, QStringLiteral("a row outside a table"));
            QStringList values;
            quint32 count = 0;
            if (!parseStringList(payload, kMaxColumns, &values, &count, &why))
                return fail(frameAt, QStringLiteral("bad row frame: %1").arg(why));
            if (values.size() != current->columns.size())
                return fail(frameAt, QStringLiteral("a row has %1 values for %2 columns")
                                         .arg(values.size())
                                         .arg(current->columns.size()));
            current->rows.push_back(std::move(values));
            break;
        }
        case 'E':
            if (!isValidUtf8(payload))
                return fail(frameAt, QStringLiteral("the error text is not valid UTF-8"));
            result.readerError = decodeUtf8(payload);
            // An empty text would be indistinguishable from no error at all.
            if (result.readerError.isEmpty())
                return fail(frameAt, QStringLiteral("the error frame is empty"));
            current = nullptr;
            expect = Expect::End;
            break;
        case 'Z':
            if (length != 0)
                return fail(frameAt, QStringLiteral("the end frame has a payload"));
            if (pos != bytes.size())
                return fail(pos, QStringLiteral("bytes follow the end frame"));
            *out = std::move(result);
            return true;
        default:
            return fail(frameAt,
                        QStringLiteral("unknown frame tag 0x%1").arg(uchar(tag), 2, 16, QLatin1Char('0')));
        }
    }
}
