// SPDX-License-Identifier: GPL-3.0-or-later
#include "recorder/createwav.h"
#include "recorder/waveheader.h"

#include <QTest>
#include <QtEndian>

namespace {

QByteArray u16(quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    return QByteArray(bytes, 2);
}

QByteArray u32(quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    return QByteArray(bytes, 4);
}

QByteArray chunk(const char *tag, const QByteArray &body)
{
    QByteArray out = QByteArray(tag, 4) + u32(quint32(body.size())) + body;
    if (body.size() & 1)
        out += '\0';
    return out;
}

QByteArray chunkHeader(const char *tag, quint32 size)
{
    return QByteArray(tag, 4) + u32(size);
}

QByteArray fmtBody(quint16 tag, quint16 channels, quint32 rate, quint16 bits)
{
    const quint16 align = quint16(channels * (bits / 8));
    return u16(tag) + u16(channels) + u32(rate) + u32(rate * align) + u16(align) + u16(bits);
}

QByteArray riff(const QByteArray &chunks)
{
    return "RIFF" + u32(quint32(chunks.size() + 4)) + "WAVE" + chunks;
}

} // namespace

class TestWaveHeader : public QObject
{
    Q_OBJECT

private slots:
    void goodHeaders_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<quint16>("formatTag");
        QTest::addColumn<quint16>("channels");
        QTest::addColumn<quint32>("rate");
        QTest::addColumn<quint16>("bits");
        QTest::addColumn<qint64>("dataOffset");
        QTest::addColumn<quint32>("dataSize");

        QTest::newRow("empty recording") << waveHeader(1, 8, 11025) << quint16(1) << quint16(1) << 11025u
                                         << quint16(8) << qint64(44) << 0u;
        QTest::newRow("recording with samples")
            << waveHeader(2, 16, 44100, 8) + QByteArray(8, '\x7f') << quint16(1) << quint16(2) << 44100u
            << quint16(16) << qint64(44) << 8u;
        QTest::newRow("samples beyond the bytes given")
            << waveHeader(1, 16, 8000, 1000000) << quint16(1) << quint16(1) << 8000u << quint16(16)
            << qint64(44) << 1000000u;
        QTest::newRow("list chunk first")
            << riff(chunk("LIST", "INFOISFT" + u32(4) + "daro") + chunk("fmt ", fmtBody(1, 1, 22050, 8)) +
                    chunkHeader("data", 10) + QByteArray(10, '\x80'))
            << quint16(1) << quint16(1) << 22050u << quint16(8) << qint64(12 + 24 + 24 + 8) << 10u;
        QTest::newRow("odd chunk padded")
            << riff(chunk("junk", "abc") + chunk("fmt ", fmtBody(1, 1, 11025, 8)) + chunkHeader("data", 0))
            << quint16(1) << quint16(1) << 11025u << quint16(8) << qint64(12 + 12 + 24 + 8) << 0u;
        QTest::newRow("format with extension size")
            << riff(chunk("fmt ", fmtBody(1, 2, 48000, 24) + u16(0)) + chunkHeader("data", 6)) << quint16(1)
            << quint16(2) << 48000u << quint16(24) << qint64(12 + 26 + 8) << 6u;
        QTest::newRow("float samples")
            << riff(chunk("fmt ", fmtBody(3, 1, 8000, 32) + u16(0)) + chunk("fact", u32(0)) +
                    chunkHeader("data", 0))
            << quint16(3) << quint16(1) << 8000u << quint16(32) << qint64(12 + 26 + 12 + 8) << 0u;
        QTest::newRow("streamed riff size")
            << "RIFF" + u32(0xFFFFFFFFu) + "WAVE" + chunk("fmt ", fmtBody(1, 1, 11025, 8)) +
                   chunkHeader("data", 0xFFFFFFFFu)
            << quint16(1) << quint16(1) << 11025u << quint16(8) << qint64(44) << 0xFFFFFFFFu;
    }

    void goodHeaders()
    {
        QFETCH(QByteArray, bytes);
        const std::optional<WaveInfo> info = parseWaveHeader(bytes);
        QVERIFY(info);
        QTEST(info->formatTag, "formatTag");
        QTEST(info->channels, "channels");
        QTEST(info->sampleRate, "rate");
        QTEST(info->bitsPerSample, "bits");
        QTEST(info->dataOffset, "dataOffset");
        QTEST(info->dataSize, "dataSize");
        QCOMPARE(info->blockAlign, quint16(info->channels * (info->bitsPerSample / 8)));
        QCOMPARE(info->byteRate, info->sampleRate * info->blockAlign);
    }

    void badHeaders_data()
    {
        const QByteArray fmt = chunk("fmt ", fmtBody(1, 1, 11025, 8));
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("nothing") << QByteArray();
        QTest::newRow("riff tag only") << QByteArray("RIFF");
        QTest::newRow("not riff") << "RIFX" + waveHeader(1, 8, 11025).mid(4);
        QTest::newRow("not wave") << waveHeader(1, 8, 11025).left(8) + "AVI " +
                                         waveHeader(1, 8, 11025).mid(12);
        QTest::newRow("no chunks") << riff(QByteArray());
        QTest::newRow("no data chunk") << riff(fmt);
        QTest::newRow("data before format") << riff(chunkHeader("data", 0) + fmt);
        QTest::newRow("no format chunk") << riff(chunk("LIST", "INFO") + chunkHeader("data", 0));
        QTest::newRow("short format")
            << riff(chunk("fmt ", fmtBody(1, 1, 11025, 8).left(14)) + chunkHeader("data", 0));
        QTest::newRow("format cut off") << riff(chunkHeader("fmt ", 16) + fmtBody(1, 1, 11025, 8).left(10));
        QTest::newRow("format bigger than file")
            << riff(chunkHeader("fmt ", 40) + fmtBody(1, 1, 11025, 8) + chunkHeader("data", 0));
        QTest::newRow("two format chunks") << riff(fmt + fmt + chunkHeader("data", 0));
        QTest::newRow("huge chunk before format")
            << riff(chunkHeader("LIST", 0xFFFFFFFFu) + fmt + chunkHeader("data", 0));
        QTest::newRow("huge odd chunk")
            << riff(fmt + chunkHeader("junk", 0xFFFFFFF7u) + chunkHeader("data", 0));
        QTest::newRow("pad byte missing")
            << riff(chunkHeader("junk", 3) + "abc" + fmt + chunkHeader("data", 0));
        QTest::newRow("data header cut off") << waveHeader(1, 8, 11025).left(42);
        QTest::newRow("no channels") << riff(chunk("fmt ", fmtBody(1, 0, 11025, 8)) + chunkHeader("data", 0));
        QTest::newRow("no rate") << riff(chunk("fmt ", fmtBody(1, 1, 0, 8)) + chunkHeader("data", 0));
        QTest::newRow("no bits") << riff(chunk("fmt ", fmtBody(1, 1, 11025, 0)) + chunkHeader("data", 0));
    }

    void badHeaders()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!parseWaveHeader(bytes));
    }

    void everyShorterPrefixIsRefused()
    {
        const QByteArray header = waveHeader(1, 8, 11025);
        for (qsizetype n = 0; n < header.size(); ++n)
            QVERIFY2(!parseWaveHeader(QByteArrayView(header.constData(), n)), qPrintable(QString::number(n)));
        QVERIFY(parseWaveHeader(header));
    }

    void corruptedHeadersStayInBounds()
    {
        // Every byte of a header with an extra chunk, set to values that
        // matter for tags, sizes and fields; whatever is found must point
        // inside the bytes given and behind a complete format chunk.
        const QByteArray good = riff(chunk("junk", "abc") + chunk("fmt ", fmtBody(1, 2, 22050, 16)) +
                                     chunkHeader("data", 4) + QByteArray(4, '\0'));
        const char values[] = {'\0', '\x01', '\x0f', '\x10', '\x7f', '\x80', '\xfe', '\xff', 'd', 'f'};
        int accepted = 0;
        for (qsizetype at = 0; at < good.size(); ++at) {
            for (char value : values) {
                QByteArray bytes = good;
                bytes[at] = value;
                const std::optional<WaveInfo> info = parseWaveHeader(bytes);
                if (!info)
                    continue;
                ++accepted;
                QVERIFY(info->dataOffset >= 44);
                QVERIFY(info->dataOffset <= bytes.size());
                QVERIFY(info->channels > 0 && info->sampleRate > 0 && info->bitsPerSample > 0);
            }
        }
        // Changing sample bytes or field values keeps the header readable.
        QVERIFY(accepted > 0);
    }

    void plainPcm_data()
    {
        QTest::addColumn<quint16>("formatTag");
        QTest::addColumn<quint16>("channels");
        QTest::addColumn<quint16>("bits");
        QTest::addColumn<quint16>("blockAlign");
        QTest::addColumn<bool>("plain");
        QTest::newRow("8-bit mono") << quint16(1) << quint16(1) << quint16(8) << quint16(1) << true;
        QTest::newRow("16-bit stereo") << quint16(1) << quint16(2) << quint16(16) << quint16(4) << true;
        QTest::newRow("24-bit stereo") << quint16(1) << quint16(2) << quint16(24) << quint16(6) << true;
        QTest::newRow("32-bit mono") << quint16(1) << quint16(1) << quint16(32) << quint16(4) << true;
        QTest::newRow("float") << quint16(3) << quint16(1) << quint16(32) << quint16(4) << false;
        QTest::newRow("extensible") << quint16(0xFFFE) << quint16(2) << quint16(16) << quint16(4) << false;
        QTest::newRow("12-bit") << quint16(1) << quint16(1) << quint16(12) << quint16(2) << false;
        QTest::newRow("4-bit") << quint16(1) << quint16(1) << quint16(4) << quint16(1) << false;
        QTest::newRow("block too small") << quint16(1) << quint16(2) << quint16(16) << quint16(2) << false;
        QTest::newRow("block too large") << quint16(1) << quint16(1) << quint16(8) << quint16(2) << false;
    }

    void plainPcm()
    {
        QFETCH(quint16, formatTag);
        QFETCH(quint16, channels);
        QFETCH(quint16, bits);
        QFETCH(quint16, blockAlign);
        WaveInfo info;
        info.formatTag = formatTag;
        info.channels = channels;
        info.sampleRate = 11025;
        info.bitsPerSample = bits;
        info.blockAlign = blockAlign;
        info.byteRate = info.sampleRate * blockAlign;
        QTEST(isPlainPcm(info), "plain");
    }
};

QTEST_GUILESS_MAIN(TestWaveHeader)
#include "tst_waveheader.moc"
