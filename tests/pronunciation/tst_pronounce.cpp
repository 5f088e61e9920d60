// SPDX-License-Identifier: GPL-3.0-or-later
#include "pronunciation/resampler.h"
#include "readaloud.h"
#include "recorder/createwav.h"
#include "support/toolrun.h"

#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

const QString kText = QStringLiteral("Please open the window.");

template <typename T> QByteArray little(T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    return QByteArray(bytes, sizeof(T));
}

// A wave file whose format chunk has the given tag (and, for the extensible
// format, sub-format), with `data` as its samples.
QByteArray waveFile(quint16 tag, quint16 subFormat, quint16 channels, quint32 rate, quint16 bits,
                    const QByteArray &data)
{
    const quint16 align = quint16(channels * (bits / 8));
    QByteArray format = little(tag) + little(channels) + little(rate) + little(quint32(rate * align)) +
                        little(align) + little(bits);
    if (tag == 0xFFFE) {
        format += little(quint16(22)) + little(bits) + little(quint32(channels == 2 ? 3 : 4)) +
                  little(subFormat) +
                  QByteArray("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    }
    const QByteArray chunks =
        "fmt " + little(quint32(format.size())) + format + "data" + little(quint32(data.size())) + data;
    return "RIFF" + little(quint32(chunks.size() + 4)) + "WAVE" + chunks;
}

// The text read aloud, at `rate`.
std::vector<qint16> readAt(quint32 rate)
{
    const ReadAloud read = readAloud(kText);
    std::vector<qint16> out;
    Resampler resampler(rate);
    resampler.push(read.samples.data(), qsizetype(read.samples.size()), quint32(read.rate), out);
    resampler.flush(out);
    return out;
}

// The text read aloud and stored as the program stores a recording.
QByteArray programsRecording()
{
    QByteArray data;
    for (qint16 s : readAt(11025))
        data.append(char(quint8((quint16(s) >> 8) + 0x80u)));
    return waveHeader(1, 8, 11025, quint32(data.size())) + data;
}

// The text read aloud at 44.1 kHz in stereo with 24 bits, in the extensible
// format other programs write for it.
QByteArray studioRecording()
{
    QByteArray data;
    for (qint16 s : readAt(44100)) {
        const QByteArray sample = little(qint32(s) * 256).left(3);
        data += sample + sample;
    }
    return waveFile(0xFFFE, 1, 2, 44100, 24, data);
}

} // namespace

class TestPronounce : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void exitStatusAndOutput_data()
    {
        QTest::addColumn<QByteArray>("file"); // written to FILE.wav; none: no such file
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QString>("error"); // part of the message on stderr

        const QByteArray heard = "Please\theard\nopen\theard\nthe\theard\nwindow\theard\n";
        const QByteArray recording = programsRecording();
        QTest::newRow("the program's recording") << recording << kText << 0 << heard << QString();
        QTest::newRow("24-bit stereo, extensible") << studioRecording() << kText << 0 << heard << QString();
        QTest::newRow("no such file") << QByteArray() << kText << 2 << QByteArray() << "cannot read";
        QTest::newRow("not RIFF/WAVE") << QByteArray("Please open the window.\n") << kText << 2
                                       << QByteArray() << "not a RIFF/WAVE file";
        QTest::newRow("A-law") << waveFile(6, 0, 1, 8000, 8, QByteArray(800, '\xd5')) << kText << 2
                               << QByteArray() << "not integer PCM";
        QTest::newRow("float") << waveFile(3, 0, 1, 16000, 32, QByteArray(1600, '\0')) << kText << 2
                               << QByteArray() << "not integer PCM";
        QTest::newRow("empty text") << recording << QString() << 2 << QByteArray() << "empty";
        QTest::newRow("no word") << recording << "?! -- ..." << 2 << QByteArray() << "no word";
    }

    void exitStatusAndOutput()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QString, error);
        const QString path = m_dir.filePath(QStringLiteral("reading.wav"));
        QFile::remove(path);
        if (!file.isNull()) {
            QFile wave(path);
            QVERIFY(wave.open(QIODevice::WriteOnly));
            QCOMPARE(wave.write(file), file.size());
        }
        const ToolRun run =
            runTool(QStringLiteral(DARO_PRONOUNCE_EXE), {QStringLiteral("--text"), text, path});
        QVERIFY2(run.exitCode == status, run.err.constData());
        QCOMPARE(run.out, out);
        QVERIFY2(QString::fromLocal8Bit(run.err).contains(error), run.err.constData());
        QCOMPARE(run.err.isEmpty(), status == 0);
    }
};

QTEST_MAIN(TestPronounce)
#include "tst_pronounce.moc"
