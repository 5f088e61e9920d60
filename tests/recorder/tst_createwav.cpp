// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/errors.h"
#include "recorder/createwav.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

quint16 u16(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 u32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestCreateWav : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void readAloudFileIsExactBytes()
    {
        // The file the Read page records into, as other programs expect it.
        const QByteArray expected = QByteArray::fromHex("52494646240000005741564566"
                                                        "6D74201000000001000100112B"
                                                        "0000112B000001000800646174"
                                                        "6100000000");
        QCOMPARE(expected.size(), 44);
        QCOMPARE(waveHeader(1, 8, 11025), expected);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("Temp.wav"));
        CreateWav(1, 8, 11025, path);
        QCOMPARE(readAll(path), expected);
    }

    void headerFields_data()
    {
        QTest::addColumn<quint16>("channels");
        QTest::addColumn<quint16>("bits");
        QTest::addColumn<qint32>("rate");
        QTest::addColumn<quint32>("byteRate");
        QTest::addColumn<quint16>("blockAlign");

        QTest::newRow("mono 8-bit") << quint16(1) << quint16(8) << 11025 << 11025u << quint16(1);
        QTest::newRow("stereo 16-bit") << quint16(2) << quint16(16) << 44100 << 176400u << quint16(4);
        QTest::newRow("bits rounded down") << quint16(2) << quint16(12) << 8000 << 16000u << quint16(2);
        QTest::newRow("fewer than 8 bits") << quint16(3) << quint16(7) << 1000 << 0u << quint16(0);
        QTest::newRow("sizes wrap") << quint16(65535) << quint16(16) << 48000 << 1996392704u
                                    << quint16(65534);
        QTest::newRow("negative rate") << quint16(1) << quint16(8) << -1 << 0xFFFFFFFFu << quint16(1);
    }

    void headerFields()
    {
        QFETCH(quint16, channels);
        QFETCH(quint16, bits);
        QFETCH(qint32, rate);
        QFETCH(quint32, byteRate);
        QFETCH(quint16, blockAlign);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("out.wav"));
        CreateWav(channels, bits, rate, path);
        const QByteArray file = readAll(path);
        QCOMPARE(file, waveHeader(channels, bits, rate));

        QCOMPARE(file.size(), 44);
        QCOMPARE(file.left(4), QByteArray("RIFF"));
        QCOMPARE(u32(file, 4), 36u);
        QCOMPARE(file.mid(8, 8), QByteArray("WAVEfmt "));
        QCOMPARE(u32(file, 16), 16u);
        QCOMPARE(u16(file, 20), quint16(1));
        QCOMPARE(u16(file, 22), channels);
        QCOMPARE(u32(file, 24), quint32(rate));
        QCOMPARE(u32(file, 28), byteRate);
        QCOMPARE(u16(file, 32), blockAlign);
        QCOMPARE(u16(file, 34), bits);
        QCOMPARE(file.mid(36, 4), QByteArray("data"));
        QCOMPARE(u32(file, 40), 0u);
    }

    void sizesOfAFullFile_data()
    {
        QTest::addColumn<quint32>("dataSize");
        QTest::addColumn<quint32>("riffSize");
        QTest::newRow("even") << 1000u << 1036u;
        // The pad byte after an odd data chunk belongs to the RIFF chunk.
        QTest::newRow("odd") << 1001u << 1038u;
    }

    void sizesOfAFullFile()
    {
        QFETCH(quint32, dataSize);
        QFETCH(quint32, riffSize);
        const QByteArray header = waveHeader(1, 8, 11025, dataSize);
        QCOMPARE(header.size(), 44);
        QCOMPARE(u32(header, 4), riffSize);
        QCOMPARE(u32(header, 40), dataSize);
        QCOMPARE(header.mid(8, 32), waveHeader(1, 8, 11025).mid(8, 32));
    }

    void replacesAnExistingFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("Temp.wav"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            QCOMPARE(old.write(QByteArray(5000, 'x')), qint64(5000));
        }
        CreateWav(2, 16, 22050, path);
        QCOMPARE(readAll(path), waveHeader(2, 16, 22050));
    }

    void failureRaisesNamingTheFile_data()
    {
        QTest::addColumn<QString>("relativePath");
        QTest::addColumn<QString>("absolutePath");
        QTest::newRow("missing directory") << QStringLiteral("no/such/dir/Temp.wav") << QString();
        QTest::newRow("path is a directory") << QStringLiteral("adir") << QString();
        // Opens fine; the write itself fails.
        QTest::newRow("device full") << QString() << QStringLiteral("/dev/full");
    }

    void failureRaisesNamingTheFile()
    {
        QFETCH(QString, relativePath);
        QFETCH(QString, absolutePath);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("adir")));
        QString path = absolutePath;
        if (path.isEmpty())
            path = dir.filePath(relativePath);
        else if (!QFile::exists(path))
            QSKIP("This system has no such device");

        QString message;
        try {
            CreateWav(1, 8, 11025, path);
        } catch (const AppError &error) {
            message = error.message();
        }
        QVERIFY2(!message.isEmpty(), "no error raised");
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
    }
};

QTEST_GUILESS_MAIN(TestCreateWav)
#include "tst_createwav.moc"
