// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessons/rowstream.h"

#include <QIODevice>
#include <QStringDecoder>

#include <stdexcept>

namespace {

constexpr char kMagic[] = "DAROROWS";
constexpr qsizetype kMagicSize = 8;
constexpr quint32 kVersion = 2;
constexpr qsizetype kHeaderSize = kMagicSize + 4;
constexpr qsizetype kFrameHeaderSize = 5;

// Limits for untrusted input. Lesson tables have three columns and sentences
// of a few hundred characters; these leave room for far more.
constexpr quint32 kMaxPayload = 256u << 20;
constexpr quint32 kMaxColumns = 1024;
constexpr quint32 kMaxNameBytes = 4096;

constexpr qsizetype kFlushThreshold = 64 * 1024;

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

QByteArray repairedUtf8(QByteArrayView bytes)
{
    return isValidUtf8(bytes) ? bytes.toByteArray() : decodeUtf8(bytes).toUtf8();
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
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        const uchar c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more;
        char32_t code;
        char32_t least;
        if ((c & 0xE0) == 0xC0) {
            more = 1;
            code = c & 0x1F;
            least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2;
            code = c & 0x0F;
            least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3;
            code = c & 0x07;
            least = 0x10000;
        } else {
            return false;
        }
        if (end - p <= more)
            return false;
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            code = code << 6 | (p[i] & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        p += more + 1;
    }
    return true;
}

QString decodeUtf8(QByteArrayView bytes)
{
    // QString::fromUtf8() would drop a leading U+FEFF, which is text here.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

RowStreamWriter::RowStreamWriter()
{
    m_buffer.append(kMagic, kMagicSize);
    appendU32(kVersion);
}

RowStreamWriter::RowStreamWriter(FILE *file)
    : RowStreamWriter()
{
    m_file = file;
}

RowStreamWriter::RowStreamWriter(QIODevice *device)
    : RowStreamWriter()
{
    m_device = device;
}

void RowStreamWriter::requireOpen(const char *what) const
{
    if (m_state == State::Finished)
        throw std::logic_error(std::string("row stream: ") + what + " after the end");
    if (m_state == State::AfterError)
        throw std::logic_error(std::string("row stream: ") + what + " after the error frame");
}

void RowStreamWriter::beginTable(const QString &name, const QStringList &columns)
{
    requireOpen("table");
    claimName(name);
    if (quint64(columns.size()) > kMaxColumns)
        throw std::logic_error("row stream: too many columns");
    qsizetype at = beginFrame('T');
    m_buffer.append(name.toUtf8());
    endFrame(at);
    at = beginFrame('C');
    appendU32(quint32(columns.size()));
    for (const QString &column : columns)
        appendString(column.toUtf8());
    endFrame(at);
    m_state = State::Rows;
    m_columnCount = columns.size();
    flushIfFull();
}

void RowStreamWriter::writeRow(const QStringList &values)
{
    if (m_state != State::Rows)
        throw std::logic_error("row stream: row outside a table");
    if (values.size() != m_columnCount)
        throw std::logic_error("row stream: value count differs from the column count");
    const qsizetype at = beginFrame('R');
    appendU32(quint32(values.size()));
    for (const QString &value : values)
        appendString(value.toUtf8());
    endFrame(at);
    flushIfFull();
}

void RowStreamWriter::writeRowUtf8(const QByteArrayView *values, qsizetype count)
{
    if (m_state != State::Rows)
        throw std::logic_error("row stream: row outside a table");
    if (count != m_columnCount)
        throw std::logic_error("row stream: value count differs from the column count");
    const qsizetype at = beginFrame('R');
    appendU32(quint32(count));
    for (qsizetype i = 0; i < count; ++i) {
        if (isValidUtf8(values[i]))
            appendString(values[i]);
        else
            appendString(repairedUtf8(values[i]));
    }
    endFrame(at);
    flushIfFull();
}

void RowStreamWriter::writeMissing(const QString &name)
{
    requireOpen("missing-table frame");
    claimName(name);
    const qsizetype at = beginFrame('M');
    m_buffer.append(name.toUtf8());
    endFrame(at);
    m_state = State::Items;
    flushIfFull();
}

void RowStreamWriter::writeUnreadable(const QString &name, const QString &why)
{
    requireOpen("unreadable-table frame");
    if (why.isEmpty())
        throw std::logic_error("row stream: empty reason for an unreadable table");
    claimName(name);
    const qsizetype at = beginFrame('U');
    appendString(name.toUtf8());
    appendString(why.toUtf8());
    endFrame(at);
    m_state = State::Items;
    flushIfFull();
}

void RowStreamWriter::writeError(const QString &text)
{
    requireOpen("error frame");
    if (text.isEmpty())
        throw std::logic_error("row stream: empty error text");
    const qsizetype at = beginFrame('E');
    m_buffer.append(text.toUtf8());
    endFrame(at);
    m_state = State::AfterError;
}

bool RowStreamWriter::finish()
{
    if (m_state == State::Finished)
        throw std::logic_error("row stream: finished twice");
    const qsizetype at = beginFrame('Z');
    endFrame(at);
    m_state = State::Finished;
    flush();
    if (m_file && fflush(m_file) != 0)
        m_failed = true;
    return !m_failed;
}

void RowStreamWriter::claimName(const QString &name)
{
    const qsizetype size = name.toUtf8().size();
    if (size == 0 || size > qsizetype(kMaxNameBytes))
        throw std::logic_error("row stream: bad table name");
    if (m_names.contains(tableKey(name)))
        throw std::logic_error("row stream: table named twice");
    m_names.insert(tableKey(name));
}

qsizetype RowStreamWriter::beginFrame(char tag)
{
    m_buffer.append(tag);
    const qsizetype lengthAt = m_buffer.size();
    appendU32(0);
    return lengthAt;
}

void RowStreamWriter::endFrame(qsizetype lengthAt)
{
    const qsizetype length = m_buffer.size() - lengthAt - 4;
    if (quint64(length) > kMaxPayload)
        throw std::logic_error("row stream: frame too large");
    char *p = m_buffer.data() + lengthAt;
    for (int i = 0; i < 4; ++i)
        p[i] = char((quint32(length) >> (8 * i)) & 0xFF);
}

void RowStreamWriter::appendU32(quint32 value)
{
    const char bytes[4] = {char(value & 0xFF), char((value >> 8) & 0xFF), char((value >> 16) & 0xFF),
                           char((value >> 24) & 0xFF)};
    m_buffer.append(bytes, 4);
}

void RowStreamWriter::appendString(QByteArrayView utf8)
{
    appendU32(quint32(utf8.size()));
    m_buffer.append(utf8);
}

void RowStreamWriter::flushIfFull()
{
    if (m_buffer.size() >= kFlushThreshold)
        flush();
}

void RowStreamWriter::flush()
{
    if (m_buffer.isEmpty() || (!m_file && !m_device))
        return;
    if (m_file) {
        if (fwrite(m_buffer.constData(), 1, size_t(m_buffer.size()), m_file) != size_t(m_buffer.size()))
            m_failed = true;
    } else if (m_device->write(m_buffer) != m_buffer.size()) {
        m_failed = true;
    }
    m_buffer.clear();
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

    if (bytes.size() < kHeaderSize || bytes.first(kMagicSize) != QByteArrayView(kMagic, kMagicSize))
        return fail(0, QStringLiteral("not a row stream"));
    if (const quint32 version = loadU32(bytes.data() + kMagicSize); version != kVersion)
        return fail(kMagicSize, QStringLiteral("unknown version %1").arg(version));

    RowStream result;
    QSet<QString> names;
    enum class Expect { Item, Columns, RowOrItem, End } expect = Expect::Item;
    TableRows *current = nullptr;
    qsizetype pos = kHeaderSize;

    while (true) {
        if (bytes.size() - pos < kFrameHeaderSize)
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
