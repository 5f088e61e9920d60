// SPDX-License-Identifier: GPL-3.0-or-later
#include "recorder/createwav.h"
#include "recorder/soundplayer.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestSoundPlayer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void unplayableFileGivesTheAlert_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");

        QByteArray floatWave = waveHeader(1, 32, 8000, 4) + QByteArray(4, '\0');
        floatWave[20] = 3;
        QByteArray twelveBit = waveHeader(1, 12, 8000, 2) + QByteArray(2, '\0');

        QTest::newRow("no such file") << QStringLiteral("Temp.wav") << QByteArray();
        QTest::newRow("directory") << QStringLiteral("adir") << QByteArray();
        QTest::newRow("empty file") << QStringLiteral("Temp.wav") << QByteArray("");
        QTest::newRow("text") << QStringLiteral("Temp.wav") << QByteArray("not a sound at all");
        QTest::newRow("header cut short") << QStringLiteral("Temp.wav") << waveHeader(1, 8, 11025).left(30);
        QTest::newRow("float samples") << QStringLiteral("Temp.wav") << floatWave;
        QTest::newRow("12-bit samples") << QStringLiteral("Temp.wav") << twelveBit;
        QTest::newRow("no samples") << QStringLiteral("Temp.wav") << waveHeader(1, 8, 11025);
        QTest::newRow("samples missing") << QStringLiteral("Temp.wav") << waveHeader(1, 8, 11025, 100);
        QTest::newRow("half a frame") << QStringLiteral("Temp.wav") << waveHeader(2, 16, 8000, 4) + "ab";
    }

    void unplayableFileGivesTheAlert()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("adir")));
        const QString path = dir.filePath(name);
        if (!content.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(content), content.size());
        }

        int alerts = 0;
        const std::unique_ptr<SoundPlayer> player = makeSoundEffectPlayer([&alerts] { ++alerts; });
        player->play(path);
        QCOMPARE(alerts, 1);
        // Each further try alerts again.
        player->play(path);
        QCOMPARE(alerts, 2);
    }
};

QTEST_MAIN(TestSoundPlayer)
#include "tst_soundplayer.moc"
