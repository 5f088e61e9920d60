// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech/pcmpipe.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <atomic>
#include <thread>

namespace {
QByteArray pattern(qsizetype size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + seed) & 0xff);
    return bytes;
}

QByteArray readSome(PcmPipe &pipe, qint64 maxSize)
{
    QByteArray out(maxSize, Qt::Uninitialized);
    const qint64 n = pipe.read(out.data(), maxSize);
    out.resize(qMax<qint64>(n, 0));
    return out;
}

bool allZero(const QByteArray &bytes)
{
    return std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return c == 0; });
}
} // namespace

class TestPcmPipe : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void bytesComeOutInOrder_data()
    {
        QTest::addColumn<int>("capacity");
        QTest::addColumn<int>("pushSize");
        QTest::addColumn<int>("readSize");
        QTest::newRow("reads smaller than pushes") << 64 << 40 << 6;
        QTest::newRow("reads larger than pushes") << 64 << 10 << 50;
        QTest::newRow("odd read sizes") << 30 << 14 << 7;
        QTest::newRow("exact fit") << 32 << 32 << 32;
    }

    // The reader gets exactly what was pushed, across the ring's wrap, in whole
    // 16-bit samples, and no more than the capacity ever waits.
    void bytesComeOutInOrder()
    {
        QFETCH(int, capacity);
        QFETCH(int, pushSize);
        QFETCH(int, readSize);
        PcmPipe pipe(capacity, 0);
        QVERIFY(pipe.open(QIODevice::ReadOnly | QIODevice::Unbuffered));

        const QByteArray data = pattern(1000, 3);
        QByteArray got;
        qsizetype sent = 0;
        while (got.size() < data.size()) {
            while (sent < data.size() && pipe.buffered() + pushSize <= capacity) {
                const qsizetype n = qMin<qsizetype>(pushSize, data.size() - sent);
                QVERIFY(pipe.push(data.constData() + sent, n));
                sent += n;
            }
            QVERIFY(pipe.buffered() <= capacity);
            const QByteArray chunk = readSome(pipe, readSize);
            QCOMPARE(chunk.size() % 2, 0);
            QVERIFY(!chunk.isEmpty());
            got += chunk;
        }
        QCOMPARE(got, data);
        QCOMPARE(pipe.audioBytesRead(), qint64(data.size()));
        QCOMPARE(readSome(pipe, 16).size(), 0);
    }

    // A producer far ahead of the reader waits instead of buffering.
    void fullPipeHoldsProducerBack()
    {
        constexpr int capacity = 256;
        PcmPipe pipe(capacity, 0);
        QVERIFY(pipe.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        const QByteArray data = pattern(20000, 11);
        std::atomic<bool> pushed{false};
        std::thread producer([&] {
            for (qsizetype at = 0; at < data.size(); at += 100)
                pipe.push(data.constData() + at, qMin<qsizetype>(100, data.size() - at));
            pushed = true;
        });

        QByteArray got;
        while (got.size() < data.size()) {
            QVERIFY2(pipe.buffered() <= capacity, "more than the capacity was buffered");
            got += readSome(pipe, 30);
            std::this_thread::yield();
        }
        producer.join();
        QVERIFY(pushed);
        QCOMPARE(got, data);
    }

    void closingWakesBlockedProducer()
    {
        PcmPipe pipe(64, 0);
        QVERIFY(pipe.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        const QByteArray data = pattern(1000, 5);
        std::atomic<int> result{-1};
        std::thread producer([&] { result = pipe.push(data.constData(), data.size()) ? 1 : 0; });
        QTRY_COMPARE(pipe.buffered(), qsizetype(64));
        pipe.closeWrite();
        producer.join();
        QCOMPARE(result.load(), 0);
        QVERIFY(!pipe.push(data.constData(), 2));

        pipe.reopenWrite();
        readSome(pipe, 64);
        QVERIFY(pipe.push(data.constData(), 10));
        QCOMPARE(pipe.buffered(), qsizetype(10));
    }

    // After an utterance the reader gets the tail of silence, once; audio that
    // follows an utterance comes at once, without the rest of that silence.
    void silenceFollowsAnUtterance()
    {
        PcmPipe pipe(128, 40);
        QVERIFY(pipe.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        const QByteArray first = pattern(30, 1);

        QVERIFY(pipe.push(first.constData(), first.size()));
        QCOMPARE(readSome(pipe, 1000), first);
        QCOMPARE(readSome(pipe, 1000).size(), 0); // not finished yet: no silence
        pipe.finishUtterance();
        const QByteArray part = readSome(pipe, 16);
        QCOMPARE(part.size(), 16);
        QVERIFY(allZero(part));
        const QByteArray rest = readSome(pipe, 1000);
        QCOMPARE(rest.size(), 24);
        QVERIFY(allZero(rest));
        QCOMPARE(readSome(pipe, 1000).size(), 0);
        QCOMPARE(pipe.silenceBytesRead(), qint64(40));

        const QByteArray second = pattern(20, 2);
        pipe.finishUtterance();
        QCOMPARE(readSome(pipe, 10).size(), 10);
        QVERIFY(pipe.push(second.constData(), second.size()));
        QCOMPARE(readSome(pipe, 1000), second);
        QCOMPARE(readSome(pipe, 1000).size(), 0);
        QCOMPARE(pipe.audioBytesRead(), qint64(first.size() + second.size()));
    }

    // A pulling sink that found the pipe empty waits for readyRead.
    void starvedReaderIsWoken()
    {
        PcmPipe pipe(64, 8);
        QVERIFY(pipe.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        QSignalSpy ready(&pipe, &QIODevice::readyRead);
        const QByteArray data = pattern(8, 0);

        QCOMPARE(readSome(pipe, 8).size(), 0);
        std::thread([&] { pipe.push(data.constData(), data.size()); }).join();
        QVERIFY(ready.wait());
        QCOMPARE(ready.count(), 1);
        QCOMPARE(readSome(pipe, 100), data);

        QCOMPARE(readSome(pipe, 8).size(), 0);
        pipe.finishUtterance();
        QVERIFY(ready.wait());
        QCOMPARE(readSome(pipe, 100).size(), 8);

        // An utterance under way: the reader is woken ahead of its audio,
        // once, and then waits for the audio instead of coming away empty.
        QCOMPARE(readSome(pipe, 8).size(), 0);
        pipe.setAudioWait(std::chrono::seconds(20));
        pipe.expectAudio();
        pipe.expectAudio();
        QVERIFY(ready.wait());
        QCoreApplication::processEvents();
        QCOMPARE(ready.count(), 3);
        std::thread late([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            pipe.push(data.constData(), data.size());
        });
        QCOMPARE(readSome(pipe, 100), data);
        late.join();
    }
};

QTEST_GUILESS_MAIN(TestPcmPipe)
#include "tst_pcmpipe.moc"
