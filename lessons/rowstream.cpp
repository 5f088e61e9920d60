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

    // Length-prefixed UTF-8; false if it overruns the payload or is not UTF-8.
    bool text(QByteArrayView *value, QString *why)
    {
        if (!bytes(value)) {
            *why = QStringLiteral("a string overruns its frame");
            return false;
        }
        if (!isValidUtf8(*value)) {
            *why = QStringLiteral("a string is not valid UTF-8");
            return false;
        }
        return true;
    }

    bool atEnd() const { return m_pos == m_data.size(); }
    qsizetype remaining() const { return m_data.size() - m_pos; }

private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
};

// The UTF-8 strings of a column or row frame, checked, as views into it.
bool parseStringList(QByteArrayView payload, std::vector<QByteArrayView> *out, QString *why)
{
    PayloadReader reader(payload);
    quint32 count = 0;
    if (!reader.u32(&count)) {
        *why = QStringLiteral("the count is missing");
        return false;
    }
    // Every entry takes at least four bytes, so a count beyond that is a lie.
    if (count > kMaxColumns || count > quint64(reader.remaining()) / 4) {
        *why = QStringLiteral("the count %1 is impossible").arg(count);
        return false;
    }
    out->resize(count);
    for (quint32 i = 0; i < count; ++i) {
        if (!reader.text(&(*out)[i], why))
            return false;
    }
    if (!reader.atEnd()) {
        *why = QStringLiteral("bytes are left over after the last entry");
        return false;
    }
    return true;
}

// Collects what a parser checked into a RowStream.
class Collector : public RowStreamReceiver
{
public:
    void table(const QString &name, const QStringList &columns) override
    {
        TableRows table;
        table.name = name;
        table.columns = columns;
        result.tables.push_back(std::move(table));
    }
    void row(const QByteArrayView *values, qsizetype count) override
    {
        QStringList row;
        row.reserve(count);
        for (qsizetype i = 0; i < count; ++i)
            row.append(decodeUtf8(values[i]));
        result.tables.back().rows.push_back(std::move(row));
    }
    void missing(const QString &name) override
    {
        TableRows table;
        table.name = name;
        table.missing = true;
        result.tables.push_back(std::move(table));
    }
    void unreadable(const QString &name, const QString &why) override
    {
        TableRows table;
        table.name = name;
        table.unreadable = why;
        result.tables.push_back(std::move(table));
    }
    void error(const QString &text) override { result.readerError = text; }

    RowStream result;
};

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

RowStreamParser::RowStreamParser(RowStreamReceiver &receiver)
    : m_receiver(receiver)
{}

bool RowStreamParser::fail(qint64 offset, const QString &reason)
{
    m_why = QStringLiteral("invalid row stream at byte %1: %2").arg(offset).arg(reason);
    m_pending.clear();
    return false;
}

bool RowStreamParser::feed(QByteArrayView bytes)
{
    if (!m_why.isEmpty())
        return false;
    if (bytes.isEmpty())
        return true;
    if (m_state == State::Ended)
        return fail(m_offset, QStringLiteral("bytes follow the end frame"));
    qsizetype pos = 0;
    if (m_pending.isEmpty()) {
        // The bytes are read where they are; only an unfinished frame is kept.
        if (!parse(bytes, &pos))
            return false;
        if (pos < bytes.size())
            m_pending = bytes.sliced(pos).toByteArray();
    } else {
        m_pending.append(bytes);
        if (!parse(m_pending, &pos))
            return false;
        m_pending.remove(0, pos);
    }
    m_offset += pos;
    return true;
}

bool RowStreamParser::finish()
{
    if (!m_why.isEmpty())
        return false;
    if (m_state == State::Ended)
        return true;
    // What is left cannot be completed any more.
    if (m_state == State::Header)
        return fail(0, QStringLiteral("not a row stream"));
    if (m_pending.size() < qsizetype(kFrameHeaderSize))
        return fail(m_offset, QStringLiteral("the stream ends before its end frame"));
    return fail(m_offset,
                QStringLiteral("frame length %1 overruns the stream").arg(loadU32(m_pending.data() + 1)));
}

bool RowStreamParser::parse(QByteArrayView data, qsizetype *consumed)
{
    qsizetype pos = 0;
    if (m_state == State::Header) {
        const qsizetype magic = qMin(data.size(), qsizetype(kMagicSize));
        if (data.first(magic) != QByteArrayView(kMagic, magic))
            return fail(0, QStringLiteral("not a row stream"));
        if (data.size() < qsizetype(kHeaderSize))
            return true;
        if (const quint32 version = loadU32(data.data() + kMagicSize); version != kVersion)
            return fail(kMagicSize, QStringLiteral("unknown version %1").arg(version));
        pos = kHeaderSize;
        m_state = State::Item;
    }

    QString why;
    std::vector<QByteArrayView> &values = m_values;
    for (;;) {
        *consumed = pos;
        const qint64 frameAt = m_offset + pos;
        if (m_state == State::Ended) {
            if (pos != data.size())
                return fail(frameAt, QStringLiteral("bytes follow the end frame"));
            return true;
        }
        if (data.size() - pos < qsizetype(kFrameHeaderSize))
            return true;
        const char tag = data[pos];
        const quint32 length = loadU32(data.data() + pos + 1);
        if (length > kMaxPayload)
            return fail(frameAt, QStringLiteral("frame length %1 overruns the stream").arg(length));
        if (quint64(data.size() - pos - qsizetype(kFrameHeaderSize)) < length)
            return true;
        const QByteArrayView payload = data.sliced(pos + qsizetype(kFrameHeaderSize), qsizetype(length));
        pos += qsizetype(kFrameHeaderSize) + qsizetype(length);

        if (m_state == State::Columns && tag != 'C')
            return fail(frameAt, QStringLiteral("a table's column frame is missing"));
        if (m_state == State::End && tag != 'Z')
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
            const QString text = decodeUtf8(name);
            if (m_names.contains(tableKey(text)))
                return fail(frameAt, QStringLiteral("table %1 appears twice").arg(text));
            m_names.insert(tableKey(text));
            if (tag == 'T') {
                m_table = text;
                m_state = State::Columns;
            } else {
                if (tag == 'M')
                    m_receiver.missing(text);
                else
                    m_receiver.unreadable(text, decodeUtf8(reason));
                m_state = State::Item;
            }
            break;
        }
        case 'C': {
            if (m_state != State::Columns)
                return fail(frameAt, QStringLiteral("a column frame outside a table"));
            if (!parseStringList(payload, &values, &why))
                return fail(frameAt, QStringLiteral("bad column frame: %1").arg(why));
            QStringList columns;
            columns.reserve(qsizetype(values.size()));
            for (const QByteArrayView column : values)
                columns.append(decodeUtf8(column));
            m_columnCount = columns.size();
            m_receiver.table(m_table, columns);
            m_state = State::Rows;
            break;
        }
        case 'R':
            if (m_state != State::Rows)
                return fail(frameAt, QStringLiteral("a row outside a table"));
            if (!parseStringList(payload, &values, &why))
                return fail(frameAt, QStringLiteral("bad row frame: %1").arg(why));
            if (qsizetype(values.size()) != m_columnCount)
                return fail(frameAt, QStringLiteral("a row has %1 values for %2 columns")
                                         .arg(values.size())
                                         .arg(m_columnCount));
            m_receiver.row(values.data(), qsizetype(values.size()));
            break;
        case 'E': {
            if (!isValidUtf8(payload))
                return fail(frameAt, QStringLiteral("the error text is not valid UTF-8"));
            const QString text = decodeUtf8(payload);
            // An empty text would be indistinguishable from no error at all.
            if (text.isEmpty())
                return fail(frameAt, QStringLiteral("the error frame is empty"));
            m_receiver.error(text);
            m_state = State::End;
            break;
        }
        case 'Z':
            if (length != 0)
                return fail(frameAt, QStringLiteral("the end frame has a payload"));
            m_state = State::Ended;
            break;
        default:
            return fail(frameAt,
                        QStringLiteral("unknown frame tag 0x%1").arg(uchar(tag), 2, 16, QLatin1Char('0')));
        }
    }
}

bool parseRowStream(QByteArrayView bytes, RowStream *out, QString *whyInvalid)
{
    Collector collector;
    RowStreamParser parser(collector);
    if (!parser.feed(bytes) || !parser.finish()) {
        if (whyInvalid)
            *whyInvalid = parser.why();
        return false;
    }
    *out = std::move(collector.result);
    return true;
}
