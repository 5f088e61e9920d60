// SPDX-License-Identifier: GPL-3.0-or-later
#include "pronunciation/livelistener.h"
#include "pronunciation/recogniser.h"
#include "pronunciation/spokenwords.h"
#include "pronunciation/typedwords.h"
#include "readaloud.h"

#include <QFileInfo>
#include <QTest>

#include <optional>

namespace {

QChar letterFor(WordHeard heard)
{
    switch (heard) {
    case WordHeard::Heard:
        return u'H';
    case WordHeard::Missed:
        return u'M';
    case WordHeard::Unscored:
        break;
    }
    return u'U';
}

} // namespace

class TestPronunciation : public QObject
{
    Q_OBJECT

    std::unique_ptr<Recogniser> m_recogniser;

    // Reads `said` to the listener as the capture would, in 20 ms pieces,
    // for a recording begun with `typed`, and finishes it with `finished`;
    // `silenceMs` of exact zeros first, as from a muted input.
    std::optional<ReadingCheck> listen(ReadingListener &listener, const QString &typed, const QString &said,
                                       const QString &finished, int silenceMs = 0)
    {
        ReadAloud read = readAloud(said);
        [&] { QVERIFY(!read.samples.empty()); }();
        read.samples.insert(read.samples.begin(), size_t(read.rate) * size_t(silenceMs) / 1000, 0);
        listener.begin(typed);
        const qsizetype piece = read.rate / 50;
        for (qsizetype at = 0; at < qsizetype(read.samples.size()); at += piece)
            listener.feed(read.samples.data() + at, std::min(piece, qsizetype(read.samples.size()) - at),
                          quint32(read.rate));
        std::optional<ReadingCheck> check;
        listener.finish(finished, this, [&check](const ReadingCheck &result) { check = result; });
        [&] { QTRY_VERIFY_WITH_TIMEOUT(check, 120000); }();
        return check;
    }

private slots:
    void initTestCase()
    {
        const RecogniserModel model = RecogniserModel::installed();
        QVERIFY2(QFileInfo::exists(model.dictionary), "pocketsphinx-en-us is not installed");
        QString error;
        m_recogniser = Recogniser::load(model, RecogniserSettings(), &error);
        QVERIFY2(m_recogniser, qPrintable(error));
    }

    void typedWordsAsTheDictionarySaysThem_data()
    {
        QTest::addColumn<QString>("typed");
        // Readings the word must have; none: it is not scored.
        QTest::addColumn<QStringList>("readings");
        QTest::newRow("capital") << "The" << QStringList{"the"};
        QTest::newRow("curly apostrophe") << "Don’t" << QStringList{"don't"};
        QTest::newRow("full-width letters") << "ＯＫ" << QStringList{"ok"};
        QTest::newRow("hyphenated, not in the dictionary") << "check-out" << QStringList{"check out"};
        QTest::newRow("year or number") << "1990"
                                        << QStringList{"nineteen ninety", "one thousand nine hundred ninety",
                                                       "one thousand nine hundred and ninety"};
        QTest::newRow("year with a nought") << "1905" << QStringList{"nineteen oh five"};
        QTest::newRow("thousands") << "2,500" << QStringList{"two thousand five hundred"};
        QTest::newRow("ordinal") << "21st" << QStringList{"twenty first"};
        QTest::newRow("decimal") << "3.05" << QStringList{"three point zero five"};
        QTest::newRow("time") << "7:30" << QStringList{"seven thirty"};
        QTest::newRow("pinyin name") << "Xiaoming" << QStringList();
        QTest::newRow("number too large") << "12345678901234" << QStringList();
    }

    void typedWordsAsTheDictionarySaysThem()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, readings);
        const SpokenWord spoken = spokenWord(TypedWord{typed, 0, typed.size()}, m_recogniser->lookup());
        QStringList got;
        for (const QByteArrayList &reading : spoken.readings)
            got << QString::fromUtf8(reading.join(' '));
        QCOMPARE(spoken.scored(), !readings.isEmpty());
        for (const QString &reading : std::as_const(readings))
            QVERIFY2(got.contains(reading), qPrintable(got.join(u'|')));
    }

    void readingsAreHeard_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("finished");
        // A letter for each typed word: H heard, M missed, U not scored, * either.
        QTest::addColumn<QString>("marks");
        QTest::addColumn<int>("silenceMs");
        const QString window = QStringLiteral("Please open the window.");
        QTest::newRow("as typed") << window << window << window << "HHHH" << 0;
        QTest::newRow("word left out") << window << "Please open the." << window << "HH*M" << 0;
        QTest::newRow("word replaced") << window << "Please open the bottle." << window << "HH*M" << 0;
        QTest::newRow("digits") << "The train leaves at 7:30 on May 21st."
                                << "The train leaves at seven thirty on May twenty first."
                                << "The train leaves at 7:30 on May 21st."
                                << "HHHHHHHH" << 0;
        QTest::newRow("name not in the dictionary") << "Xiaoming is my best friend."
                                                    << "Shaw Ming is my best friend."
                                                    << "Xiaoming is my best friend."
                                                    << "UHHHH" << 0;
        // The text changed while recording: the whole recording is checked
        // against the text at the end.
        QTest::newRow("text changed") << "Please close the door." << window << window << "HHHH" << 0;
        QTest::newRow("a second of digital silence first") << window << window << window << "HHHH" << 1000;
        QTest::newRow("digital silence, word left out")
            << window << "Please open the." << window << "HH*M" << 1000;
    }

    void readingsAreHeard()
    {
        QFETCH(QString, typed);
        QFETCH(QString, said);
        QFETCH(QString, finished);
        QFETCH(QString, marks);
        QFETCH(int, silenceMs);
        LiveListener listener;
        const std::optional<ReadingCheck> check = listen(listener, typed, said, finished, silenceMs);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(check->ok);
        QCOMPARE(check->text, finished);
        QString got;
        for (const HeardWord &word : check->words)
            got += letterFor(word.heard);
        const QList<TypedWord> words = typedWords(finished);
        QCOMPARE(check->words.size(), words.size());
        for (qsizetype i = 0; i < words.size(); ++i) {
            QCOMPARE(check->words[i].word.text, words[i].text);
            if (marks[i] != u'*')
                QVERIFY2(got[i] == marks[i], qPrintable(QStringLiteral("%1, expected %2").arg(got, marks)));
        }
    }

    // A result is handed over only for the last recording begun, and only
    // if it was not abandoned.
    void onlyTheLastRecordingIsReported()
    {
        LiveListener listener;
        const QString text = QStringLiteral("Please open the window.");
        int abandoned = 0;
        listener.begin(text);
        listener.finish(text, this, [&abandoned](const ReadingCheck &) { ++abandoned; });
        listener.cancel();
        int replaced = 0;
        listener.begin(text);
        listener.finish(text, this, [&replaced](const ReadingCheck &) { ++replaced; });
        const std::optional<ReadingCheck> last = listen(listener, text, text, text);
        QVERIFY(last && last->ok);
        QCOMPARE(abandoned, 0);
        QCOMPARE(replaced, 0);
    }

    void missingModelGivesNoResult()
    {
        LiveListener listener(
            RecogniserModel{QStringLiteral("/nonexistent/en-us"), QStringLiteral("/nonexistent/dict")});
        const QString text = QStringLiteral("Please open the window.");
        const std::optional<ReadingCheck> check = listen(listener, text, text, text);
        QVERIFY(check);
        QVERIFY(!check->ok);
        QVERIFY(check->words.isEmpty());
    }
};

QTEST_MAIN(TestPronunciation)
#include "tst_pronunciation.moc"
