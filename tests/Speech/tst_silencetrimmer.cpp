// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech/silencetrimmer.h"

#include <QStandardPaths>
#include <QTest>

#include <vector>

namespace {
// Quiet samples at or below the threshold, sound above it; neighbouring
// samples differ, so that one taken from the wrong place shows.
constexpr SilenceTrimmer::Shape kShape{100, 3, 5, 8};

std::vector<qint16> samplesFor(const QString &pattern)
{
    std::vector<qint16> samples;
    for (qsizetype i = 0; i < pattern.size(); ++i)
        samples.push_back(qint16(pattern[i] == u'L' ? 1000 + i : -(i % 97 + 1)));
    return samples;
}

// "3-10,14+5": input samples 3 to 10 and 14, then 5 zeros.
std::vector<qint16> expectedFor(const QString &pattern, const QString &kept)
{
    const std::vector<qint16> input = samplesFor(pattern);
    std::vector<qint16> out;
    const QStringList parts = kept.split(u'+');
    for (const QString &range : parts.value(0).split(u',', Qt::SkipEmptyParts)) {
        const QStringList ends = range.split(u'-');
        for (int i = ends.value(0).toInt(); i <= ends.value(ends.size() - 1).toInt(); ++i)
            out.push_back(input[size_t(i)]);
    }
    out.resize(out.size() + size_t(parts.value(1).toInt()), 0);
    return out;
}
} // namespace

class TestSilenceTrimmer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void trimsAroundEachText_data()
    {
        QTest::addColumn<QString>("pattern"); // q: quiet sample, L: sound
        QTest::addColumn<QString>("kept");

        QTest::newRow("lead-in kept, short end padded") << "qqqqqqLLLqq"
                                                        << "3-10+3";
        QTest::newRow("long end cut to the pause") << "LLqqqqqqqqqqqq"
                                                   << "0-6";
        QTest::newRow("pause inside kept") << "qLqqqqLqq"
                                           << "0-8+3";
        QTest::newRow("long pause inside shortened") << "LqqqqqqqqqqqqL"
                                                     << "0-8,13+5";
        QTest::newRow("sound at once") << "LL"
                                       << "0-1+5";
        QTest::newRow("quiet text") << "qqqqqqqqqqqqqqqqqqqqqqqq"
                                    << "";
        QTest::newRow("long lead before the sound") << QString(300, u'q') + "L"
                                                    << "297-300+5";
    }

    // Whatever the chunks the audio arrives in, each text keeps its lead-in,
    // its sound and its inner pauses and ends with the pause; the next text
    // is trimmed the same way.
    void trimsAroundEachText()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, kept);
        const std::vector<qint16> input = samplesFor(pattern);
        std::vector<qint16> expected = expectedFor(pattern, kept);
        expected.insert(expected.end(), expected.begin(), expected.end());

        for (const int chunk : {1, 4, 1000}) {
            std::vector<qint16> out;
            SilenceTrimmer trimmer(kShape, [&](const qint16 *samples, int count) {
                out.insert(out.end(), samples, samples + count);
                return true;
            });
            for (int text = 0; text < 2; ++text) {
                for (size_t at = 0; at < input.size(); at += size_t(chunk))
                    QVERIFY(trimmer.feed(input.data() + at, int(std::min(input.size() - at, size_t(chunk)))));
                QVERIFY(trimmer.finish());
            }
            QVERIFY2(out == expected, qPrintable(QStringLiteral("chunks of %1: %2 samples out, %3 expected")
                                                     .arg(chunk)
                                                     .arg(out.size())
                                                     .arg(expected.size())));
        }
    }
};

QTEST_GUILESS_MAIN(TestSilenceTrimmer)
#include "tst_silencetrimmer.moc"
