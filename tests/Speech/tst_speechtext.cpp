// SPDX-License-Identifier: GPL-3.0-or-later
// The text path from what a learner types to Flite's voice; no sound output.
#include "Speech/flitevoices.h"
#include "Speech/speechtext.h"
#include "Speech/voice.h"

#include <QStandardPaths>
#include <QTest>

#include <memory>

class TestSpeechText : public QObject
{
    Q_OBJECT

    std::unique_ptr<FliteVoices> m_flite;
    std::unique_ptr<Voice> m_voice;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_flite = std::make_unique<FliteVoices>();
        const QStringList names = m_flite->open();
        QVERIFY(!names.isEmpty());
        m_voice = m_flite->load(names.first());
        QVERIFY2(m_voice, qPrintable(names.first()));
    }

    void cleanupTestCase()
    {
        m_voice.reset();
        m_flite.reset();
    }

    void plainText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("plain");

        QTest::newRow("ASCII as it is") << "Don't stop: it's 3:30 (isn't it?) & $5 \"or\" 50%."
                                        << QByteArray("Don't stop: it's 3:30 (isn't it?) & $5 \"or\" 50%.");
        QTest::newRow("typographic punctuation") << QString::fromUtf8("“I’m here” – she said… «no»")
                                                 << QByteArray("\"I'm here\" - she said... \"no\"");
        QTest::newRow("Chinese input method")
            << QString::fromUtf8("你好，Ｔｏｍ！我是Lily。（１２）") << QByteArray("  ,Tom!  Lily.(12)");
        QTest::newRow("accented letters")
            << QString::fromUtf8("café naïve Ærø Straße") << QByteArray("cafe naive AEro Strasse");
        QTest::newRow("line breaks") << QString::fromUtf8("a\r\nb\rc\nd\u2028e")
                                     << QByteArray("a\nb\nc\nd\ne");
        QTest::newRow("controls and invisible characters") << QString::fromUtf8("a\tb\x01"
                                                                                "c\x7f"
                                                                                "d\u200be\u00ad"
                                                                                "f\u3000g")
                                                           << QByteArray("a b c def g");
        QTest::newRow("NUL inside") << QString(QStringLiteral("one") + QChar(0) + QStringLiteral("two"))
                                    << QByteArray("one two");
        QTest::newRow("lone and paired surrogates")
            << QString(QChar(0xd800)) + "a" + QChar(0xdc00) + "b" + QString::fromUtf8("😀") + "c"
            << QByteArray(" a b c");
        QTest::newRow("a run longer than a word")
            << QString(40, u'a') + " " + QString(70, u'7')
            << QByteArray(32, 'a') + " " + QByteArray(8, 'a') + " " + QByteArray(32, '7') + " " +
                   QByteArray(32, '7') + " " + QByteArray(6, '7');
    }

    // What reaches the synthesiser is plain ASCII with no run longer than a
    // word, and cleaning it again changes nothing.
    void plainText()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, plain);
        QCOMPARE(plainSpeechText(text), plain);
        QCOMPARE(plainSpeechText(QString::fromLatin1(plain)), plain);
    }

    void hostileTextNeverHangs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("sounds");

        QString words;
        while (words.size() < 100000)
            words += QStringLiteral("the learner typed this without any full stop ");
        QString controls;
        for (ushort c = 1; c < 0x20; ++c)
            controls += QChar(c) + QStringLiteral("ab");
        QString surrogates;
        for (int i = 0; i < 200; ++i)
            surrogates += QChar(ushort(0xd800 + i)) + QStringLiteral("go") + QChar(ushort(0xdc00 + i));

        QTest::newRow("100 kB without a full stop") << words << true;
        QTest::newRow("100 kB of digits") << QString(100000, u'9') << true;
        QTest::newRow("a 10,000-letter word") << QString(10000, u'x') << true;
        QTest::newRow("control characters") << controls << true;
        QTest::newRow("lone surrogates") << surrogates << true;
        QTest::newRow("only punctuation") << QStringLiteral(".,;:!?'\"()[]-...!!??").repeated(500) << false;
        QTest::newRow("only Chinese") << QString::fromUtf8("我们是学生。").repeated(2000) << false;
        QTest::newRow("mixed, as on the Read page")
            << QString::fromUtf8("我说：“Hello, I’m Tom.” 他说：“Nice to meet you!” 2024年") << true;
    }

    // Whatever is typed, synthesis starts within the first words and stops
    // when the listener has had enough; text without words is silence.
    void hostileTextNeverHangs()
    {
        QFETCH(QString, text);
        QFETCH(bool, sounds);
        const int rate = m_voice->sampleRate();
        qint64 frames = 0;
        int loud = 0;
        const bool done = m_voice->synthesise(text, [&](const qint16 *samples, int count) {
            frames += count;
            for (int i = 0; i < count; ++i)
                loud += qAbs(int(samples[i])) > 1000;
            return frames < 4 * rate; // a few seconds are enough
        });
        QVERIFY(done);
        QCOMPARE(loud > 0, sounds);
        QVERIFY(frames <= 4 * rate + rate); // stopped at once, but for a chunk
    }
};

QTEST_GUILESS_MAIN(TestSpeechText)
#include "tst_speechtext.moc"
