// SPDX-License-Identifier: GPL-3.0-or-later
// How well each voice the program can speak with is understood, and how soon,
// how fast and in how much memory it speaks. A fixed draw of bundled lesson
// sentences is synthesised with every voice through the program's own
// backend, transcribed by pocketsphinx (American English model) and scored
// by word error rate; the voices are printed side by side. Prints figures;
// never fails on them.
//
//   bench_voices [--sentences N] [--seed S] [--runs R] [--voices A,B,...] [--pad MS] [--keep DIR]
//
// Every voice is measured in a child process of its own, so that the resident
// memory is that voice's alone. Uses the sound server named by PULSE_SERVER,
// or else starts the private test server for the run.
#include "Speech/espeakvoices.h"
#include "Speech/flitevoices.h"
#include "Speech/speechengine.h"
#include "Speech/voice.h"
#include "Speech/voicebackend.h"
#include "base/errors.h"
#include "bench/measure.h"
#include "bench/speechtiming.h"
#include "lessontool/lessontsv.h"
#include "support/privatesoundserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <vector>

namespace {

const QString kModel = QStringLiteral("/usr/share/pocketsphinx/model/en-us");
// The text bench_speech times.
const QString kShortText = QStringLiteral("Good morning, how are you today?");
constexpr int kRecogniserRate = 16000;

// What a child reports about its voice.
struct Measured
{
    QString voice;
    QString synthesiser;
    int rate = 0;
    double initMs = 0;
    double firstMedian = 0;
    double firstWorst = 0;
    double returnWorst = 0;
    double synthSeconds = 0;
    double audioSeconds = 0;
    qint64 rssBefore = 0;
    qint64 rssLoaded = 0;
    qint64 rssAfter = 0;
    // Filled in by the parent.
    int words = 0;
    int wordErrors = 0;
    int rightSentences = 0;
    int transcribed = 0;
};

bool isFliteVoice(const QString &name)
{
    return name.startsWith(QLatin1String("cmu_"));
}

// Lower-case words: letters, digits and apostrophes inside a word.
QStringList spokenWords(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("[^a-z0-9']+"));
    QStringList words;
    for (QString word : text.toLower().split(separators, Qt::SkipEmptyParts)) {
        while (word.startsWith(u'\''))
            word.remove(0, 1);
        while (word.endsWith(u'\''))
            word.chop(1);
        if (!word.isEmpty())
            words << word;
    }
    return words;
}

// Substitutions, insertions and deletions that turn one word list into the other.
int editDistance(const QStringList &from, const QStringList &to)
{
    std::vector<int> row(size_t(to.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= from.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= to.size(); ++j) {
            const int above = row[size_t(j)];
            row[size_t(j)] =
                std::min({above + 1, row[size_t(j - 1)] + 1, diagonal + (from[i - 1] == to[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

QStringList drawSentences(int count, unsigned seed)
{
    QStringList all;
    const QDir sources(QStringLiteral(DARO_LESSON_SOURCES));
    for (const QString &file : sources.entryList({QStringLiteral("*.tsv")}, QDir::Files, QDir::Name)) {
        for (const LessonTsv::Row &row : LessonTsv::readFile(sources.filePath(file))) {
            const QString english = row.english.simplified();
            if (!english.isEmpty() && !all.contains(english))
                all << english;
        }
    }
    std::mt19937 random(seed);
    std::shuffle(all.begin(), all.end(), random);
    return all.mid(0, count);
}

bool writeSamples(const QString &path, const std::vector<qint16> &samples)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(reinterpret_cast<const char *>(samples.data()), qint64(samples.size() * 2)) ==
               qint64(samples.size() * 2);
}

// ---- The child: one voice

int measureVoice(const QString &voiceName, const QString &work, int runs, int padMs)
{
    QStringList sentences;
    {
        QFile file(QDir(work).filePath(QStringLiteral("sentences.txt")));
        if (!file.open(QIODevice::ReadOnly))
            return 1;
        sentences = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
    const QString out = QDir(work).filePath(voiceName);

    const qint64 rssBefore = residentKiB();
    std::vector<std::unique_ptr<VoiceFamily>> families;
    if (isFliteVoice(voiceName))
        families.push_back(std::make_unique<FliteVoices>(QStringList{voiceName}));
    else
        families.push_back(std::make_unique<EspeakVoices>(QStringList{voiceName}));
    auto owned = std::make_unique<VoiceBackend>(std::move(families));
    VoiceBackend &backend = *owned;
    SpeechEngine engine(std::move(owned));
    QElapsedTimer timer;
    timer.start();
    try {
        engine.InitSpeech();
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s: set-up failed: %s\n", qPrintable(voiceName), qPrintable(e.message()));
    }
    const double initMs = timer.nsecsElapsed() / 1e6;
    if (!backend.isSelected()) {
        std::printf("unavailable\n");
        return 3;
    }
    Voice &voice = *backend.voice();
    const qint64 rssLoaded = residentKiB();

    const SpeakTimes times = timeSpeak(engine, backend, kShortText, runs);
    if (!times.error.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(voiceName), qPrintable(times.error));
        return 1;
    }

    // The sentences as the sink would get them, timed without the sink; the
    // recogniser gets some silence around each.
    QDir().mkpath(out);
    const std::vector<qint16> pad(size_t(voice.sampleRate()) * size_t(padMs) / 1000, 0);
    double synthSeconds = 0;
    qint64 frames = 0;
    for (qsizetype i = 0; i < sentences.size(); ++i) {
        std::vector<qint16> samples = pad;
        timer.restart();
        voice.synthesise(sentences[i], [&](const qint16 *data, int count) {
            samples.insert(samples.end(), data, data + count);
            return true;
        });
        synthSeconds += timer.nsecsElapsed() / 1e9;
        frames += qint64(samples.size() - pad.size());
        samples.insert(samples.end(), pad.begin(), pad.end());
        if (!writeSamples(QStringLiteral("%1/%2.raw").arg(out).arg(i, 3, 10, QLatin1Char('0')), samples))
            return 1;
    }
    const qint64 rssAfter = residentKiB();

    std::printf("result\t%s\t%s\t%d\t%.3f\t%.3f\t%.3f\t%.3f\t%.4f\t%.4f\t%lld\t%lld\t%lld\n",
                qPrintable(voiceName), isFliteVoice(voiceName) ? "Flite" : "espeak-ng", voice.sampleRate(),
                initMs, median(times.firstAudio),
                *std::max_element(times.firstAudio.begin(), times.firstAudio.end()),
                *std::max_element(times.returned.begin(), times.returned.end()), synthSeconds,
                double(frames) / voice.sampleRate(), rssBefore, rssLoaded, rssAfter);
    return 0;
}

// ---- The parent: every voice, then the recogniser

bool runChild(const QString &voice, const QString &work, int runs, int padMs, Measured *measured)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), voice, QStringLiteral("--keep"), work, QStringLiteral("--runs"),
                 QString::number(runs), QStringLiteral("--pad"), QString::number(padMs)});
    if (!child.waitForFinished(1800 * 1000))
        return false;
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QStringList f = QString::fromUtf8(line).split(u'\t');
        if (f.size() != 13 || f[0] != QLatin1String("result"))
            continue;
        *measured = {f[1],
                     f[2],
                     f[3].toInt(),
                     f[4].toDouble(),
                     f[5].toDouble(),
                     f[6].toDouble(),
                     f[7].toDouble(),
                     f[8].toDouble(),
                     f[9].toDouble(),
                     f[10].toLongLong(),
                     f[11].toLongLong(),
                     f[12].toLongLong()};
        return true;
    }
    return false;
}

// The recogniser's transcript of each of a voice's sentences, by number.
std::map<int, QString> transcribe(const QString &dir, int rate, int count)
{
    std::map<int, QString> heard;
    QString input = dir;
    if (rate != kRecogniserRate) {
        input = dir + QStringLiteral("/16k");
        QDir().mkpath(input);
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("/%1.raw").arg(i, 3, 10, QLatin1Char('0'));
            const QStringList raw{QStringLiteral("-t"),     QStringLiteral("raw"), QStringLiteral("-e"),
                                  QStringLiteral("signed"), QStringLiteral("-b"),  QStringLiteral("16"),
                                  QStringLiteral("-c"),     QStringLiteral("1"),   QStringLiteral("-r")};
            // -V1: errors only, not the odd clipped sample of the resampler.
            if (QProcess::execute(QStringLiteral("sox"),
                                  QStringList{QStringLiteral("-V1")} + raw +
                                      QStringList{QString::number(rate), dir + name} + raw +
                                      QStringList{QString::number(kRecogniserRate), input + name}) != 0)
                return heard;
        }
    }
    QFile ctl(dir + QStringLiteral("/ctl"));
    if (!ctl.open(QIODevice::WriteOnly))
        return heard;
    for (int i = 0; i < count; ++i)
        ctl.write(QStringLiteral("%1\n").arg(i, 3, 10, QLatin1Char('0')).toUtf8());
    ctl.close();
    const QString hyp = dir + QStringLiteral("/hyp");
    QProcess batch;
    batch.setStandardErrorFile(dir + QStringLiteral("/pocketsphinx.log"));
    batch.start(QStringLiteral("pocketsphinx_batch"),
                {QStringLiteral("-adcin"), QStringLiteral("yes"), QStringLiteral("-cepdir"), input,
                 QStringLiteral("-cepext"), QStringLiteral(".raw"), QStringLiteral("-ctl"), ctl.fileName(),
                 QStringLiteral("-hyp"), hyp, QStringLiteral("-samprate"), QString::number(kRecogniserRate),
                 QStringLiteral("-hmm"), kModel + QStringLiteral("/en-us"), QStringLiteral("-lm"),
                 kModel + QStringLiteral("/en-us.lm.bin"), QStringLiteral("-dict"),
                 kModel + QStringLiteral("/cmudict-en-us.dict")});
    if (!batch.waitForFinished(3600 * 1000) || batch.exitCode() != 0)
        return heard;
    QFile result(hyp);
    if (!result.open(QIODevice::ReadOnly))
        return heard;
    // "words of the transcript (000 -1234)"
    static const QRegularExpression line(QStringLiteral("^(.*)\\((\\d+) [-\\d]+\\)\\s*$"));
    for (const QByteArray &bytes : result.readAll().split('\n')) {
        const QRegularExpressionMatch m = line.match(QString::fromUtf8(bytes));
        if (m.hasMatch())
            heard[m.captured(2).toInt()] = m.captured(1);
    }
    return heard;
}

QStringList defaultVoices()
{
    // Flite's 8 kHz diphone voice is measured too, though the program does not list it.
    QStringList voices = FliteVoices::defaultVoices();
    voices << QStringLiteral("cmu_us_kal");
    EspeakVoices espeak;
    voices << espeak.open().value(0);
    return voices;
}

} // namespace

int main(int argc, char *argv[])
{
    PrivateSoundServer server;
    const bool child = argc > 1 && qstrcmp(argv[1], "--child") == 0;
    if (!child && !server.startUnlessGiven())
        return 1;
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption sentencesOption(QStringLiteral("sentences"), QStringLiteral("Sentences drawn."),
                                             QStringLiteral("N"), QStringLiteral("200"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed of the draw."),
                                        QStringLiteral("S"), QStringLiteral("13"));
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Speak runs timed per voice."),
                                        QStringLiteral("R"), QStringLiteral("15"));
    const QCommandLineOption voicesOption(QStringLiteral("voices"),
                                          QStringLiteral("Voices, comma-separated."), QStringLiteral("LIST"));
    const QCommandLineOption padOption(QStringLiteral("pad"),
                                       QStringLiteral("Silence around each sentence for the recogniser."),
                                       QStringLiteral("MS"), QStringLiteral("300"));
    const QCommandLineOption keepOption(QStringLiteral("keep"), QStringLiteral("Keep the audio in DIR."),
                                        QStringLiteral("DIR"));
    const QCommandLineOption childOption(QStringLiteral("child"), QStringLiteral("(internal) one voice."),
                                         QStringLiteral("VOICE"));
    parser.addOptions(
        {sentencesOption, seedOption, runsOption, voicesOption, padOption, keepOption, childOption});
    parser.process(app);
    const int runs = std::max(1, parser.value(runsOption).toInt());
    const int padMs = std::max(0, parser.value(padOption).toInt());
    if (parser.isSet(childOption))
        return measureVoice(parser.value(childOption), parser.value(keepOption), runs, padMs);

    for (const QString &tool : {QStringLiteral("pocketsphinx_batch"), QStringLiteral("sox")}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            std::fprintf(stderr, "%s is missing (tools/install-deps.sh installs it)\n", qPrintable(tool));
            return 1;
        }
    }
    if (!QFile::exists(kModel + QStringLiteral("/en-us.lm.bin"))) {
        std::fprintf(stderr, "the pocketsphinx-en-us model is missing\n");
        return 1;
    }

    QTemporaryDir temporary(QDir::tempPath() + QStringLiteral("/daro-voices-XXXXXX"));
    const QString work = parser.isSet(keepOption) ? parser.value(keepOption) : temporary.path();
    QDir().mkpath(work);
    const QStringList sentences =
        drawSentences(std::max(1, parser.value(sentencesOption).toInt()), parser.value(seedOption).toUInt());
    {
        QFile file(QDir(work).filePath(QStringLiteral("sentences.txt")));
        if (!file.open(QIODevice::WriteOnly) || file.write(sentences.join(u'\n').toUtf8() + '\n') < 0)
            return 1;
    }
    const QStringList voices = parser.isSet(voicesOption)
                                   ? parser.value(voicesOption).split(u',', Qt::SkipEmptyParts)
                                   : defaultVoices();
    std::printf("%lld sentences drawn with seed %u from the bundled lessons; %d Speak runs per voice; "
                "%d ms of silence around each sentence for the recogniser\n",
                (long long)sentences.size(), parser.value(seedOption).toUInt(), runs, padMs);

    std::vector<Measured> results;
    for (const QString &voice : voices) {
        std::printf("  %-28s synthesising ... load %.2f\n", qPrintable(voice), loadAverage());
        std::fflush(stdout);
        Measured m;
        if (!runChild(voice, work, runs, padMs, &m)) {
            std::printf("  %-28s not available\n", qPrintable(voice));
            continue;
        }
        std::printf("  %-28s transcribing ... load %.2f\n", qPrintable(voice), loadAverage());
        std::fflush(stdout);
        const std::map<int, QString> heard =
            transcribe(QDir(work).filePath(voice), m.rate, int(sentences.size()));
        for (qsizetype i = 0; i < sentences.size(); ++i) {
            const QStringList reference = spokenWords(sentences[i]);
            const auto found = heard.find(int(i));
            const int errors =
                editDistance(reference, found != heard.end() ? spokenWords(found->second) : QStringList());
            m.words += int(reference.size());
            m.wordErrors += errors;
            m.rightSentences += errors == 0;
            m.transcribed += found != heard.end();
        }
        results.push_back(m);
    }

    std::printf("\n%-28s %-9s %6s %8s %8s %16s %12s %7s %9s %16s %9s\n", "voice", "", "rate", "WER", "right",
                "first audio ms", "Speak ret.", "RTF", "init ms", "RSS loaded MB", "after MB");
    std::printf("%-28s %-9s %6s %8s %8s %16s %12s %7s %9s %16s %9s\n", "", "", "Hz", "", "", "median / worst",
                "worst ms", "", "", "(growth)", "");
    for (const Measured &m : results) {
        std::printf(
            "%-28s %-9s %6d %7.1f%% %7.1f%% %7.1f / %6.1f %12.3f %7.4f %9.1f %8.1f (%+5.1f) %9.1f%s\n",
            qPrintable(m.voice), qPrintable(m.synthesiser), m.rate,
            m.words ? 100.0 * m.wordErrors / m.words : 0.0,
            sentences.isEmpty() ? 0.0 : 100.0 * m.rightSentences / double(sentences.size()), m.firstMedian,
            m.firstWorst, m.returnWorst, m.audioSeconds > 0 ? m.synthSeconds / m.audioSeconds : 0.0, m.initMs,
            m.rssLoaded / 1024.0, (m.rssLoaded - m.rssBefore) / 1024.0, m.rssAfter / 1024.0,
            m.transcribed < sentences.size() ? "  (some sentences not transcribed)" : "");
    }
    std::printf(
        "\nWER: word error rate of pocketsphinx's transcript against the sentence; right: sentences "
        "transcribed without an error; RTF: synthesis time / audio time; RSS: resident memory with "
        "the voice loaded and the sink open (growth over the process before set-up), and after synthesising "
        "every sentence.\n");
    std::printf("audio: %s\n", qPrintable(parser.isSet(keepOption) ? work : QStringLiteral("(removed)")));
    return results.empty() ? 1 : 0;
}
