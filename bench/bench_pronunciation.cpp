// SPDX-License-Identifier: GPL-3.0-or-later
// How well the pronunciation layer tells which typed words a reading left
// out or said otherwise. Synthetic "learners" (Flite's voices other than the
// program's own, espeak-ng's accents) read bundled lesson sentences as typed,
// with one word dropped, with one replaced by an unrelated word, with one
// replaced by a near word (one sound apart: l/r, v/w, th/s), and as typed
// under 20 dB of noise; each reading goes through both paths the program
// has: the live stream (16-bit, 16 kHz, as the capture tap hands it over)
// and the stored file (8-bit mono 11,025 Hz, as daro-pronounce reads it).
// It also times daro-pronounce on the program's recordings, feeds a 10 s
// recording to the listener in real time (the time from finish() to the
// result, and the memory, in a child process each), and reads a few
// sentences through the real chain: played into the private sound server's
// null sink, captured from its monitor by PulseCapture, the tap feeding the
// listener and the saved file going to daro-pronounce. Prints figures; never
// fails on them.
//
//   bench_pronunciation [--set tune|held-out] [--sentences N] [--seed S] [--voices A,B,...]
//                       [--kinds K,...] [--param NAME=VALUE,...] [--dump FILE]
//                       [--latency R] [--pronounce N] [--real N]
//
// The tune set (the first half of the bundled sentences in a fixed shuffle,
// read by Flite's slt, espeak-ng's en-us and cmn) is what the settings were
// tuned on; the held-out set (the other half, read by Flite's awb and kal16
// and espeak-ng's en-gb-scotland) is what the figures are reported on.
#include "Speech/espeaklibrary.h"
#include "Speech/flitevoices.h"
#include "Speech/voice.h"
#include "bench/measure.h"
#include "lessontool/lessontsv.h"
#include "pronunciation/livelistener.h"
#include "pronunciation/readinganalysis.h"
#include "pronunciation/recogniser.h"
#include "pronunciation/typedwords.h"
#include "recorder/capturebackend.h"
#include "recorder/createwav.h"
#include "recorder/waveheader.h"
#include "recorder/waverecorder.h"
#include "recorder/wavesamples.h"
#include "support/monitorcapture.h"
#include "support/privatesoundserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <soxr.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <thread>
#include <vector>

namespace {

// ---- The corpus

enum class Kind { Correct, Dropped, Unrelated, Near, Noisy };
const char *const kKindNames[] = {"correct", "dropped", "unrelated", "near", "noisy"};

struct Reading
{
    QString voice;
    int sentence = 0;
    Kind kind = Kind::Correct;
    QString typed;
    QString said;
    int target = -1; // the typed word left out or replaced
    QString replacement;
};

const QSet<QString> &functionWords()
{
    static const QSet<QString> words = [] {
        QSet<QString> set;
        for (const QString &w :
             QStringLiteral(
                 "a an the of to in on at for and or but is are was were be been being am i you he "
                 "she it we they me him her us them my your his its our their this that these those "
                 "do does did have has had not no so as with by from up out if then than there here "
                 "what who how can will would shall should may might must let it's i'm don't")
                 .split(u' '))
            set.insert(w);
        return set;
    }();
    return words;
}

QString plainWord(const QString &typed)
{
    QString word = typed.toLower();
    word.replace(QChar(0x2019), u'\'');
    return word;
}

// The model's dictionary, read here to find near words.
struct Dictionary
{
    QHash<QString, QStringList> pronunciation; // first pronunciation of each word
    QHash<QString, QStringList> words;         // by pronunciation, joined with ' '

    bool load(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            const qsizetype space = line.indexOf(u' ');
            if (space <= 0 || line.left(space).contains(u'('))
                continue;
            const QString word = line.left(space);
            const QStringList phones = line.mid(space + 1).split(u' ', Qt::SkipEmptyParts);
            pronunciation.insert(word, phones);
            words[phones.join(u' ')] << word;
        }
        return !pronunciation.isEmpty();
    }

    // Words one sound away by the swaps Chinese learners make most.
    QStringList nearWords(const QString &word) const
    {
        static const std::multimap<QString, QString> swaps = {
            {QStringLiteral("L"), QStringLiteral("R")},   {QStringLiteral("R"), QStringLiteral("L")},
            {QStringLiteral("V"), QStringLiteral("W")},   {QStringLiteral("W"), QStringLiteral("V")},
            {QStringLiteral("V"), QStringLiteral("B")},   {QStringLiteral("TH"), QStringLiteral("S")},
            {QStringLiteral("S"), QStringLiteral("TH")},  {QStringLiteral("DH"), QStringLiteral("Z")},
            {QStringLiteral("DH"), QStringLiteral("D")},  {QStringLiteral("N"), QStringLiteral("L")},
            {QStringLiteral("IY"), QStringLiteral("IH")}, {QStringLiteral("IH"), QStringLiteral("IY")},
        };
        QStringList found;
        const QStringList phones = pronunciation.value(word);
        for (qsizetype i = 0; i < phones.size(); ++i) {
            const auto [from, to] = swaps.equal_range(phones[i]);
            for (auto it = from; it != to; ++it) {
                QStringList changed = phones;
                changed[i] = it->second;
                for (const QString &other : words.value(changed.join(u' '))) {
                    bool letters = other.size() >= 2;
                    for (QChar c : other)
                        letters = letters && c >= u'a' && c <= u'z';
                    if (letters && other != word && !found.contains(other))
                        found << other;
                }
            }
        }
        return found;
    }
};

QStringList lessonSentences()
{
    QStringList all;
    const QDir sources(QStringLiteral(DARO_LESSON_SOURCES));
    for (const QString &file : sources.entryList({QStringLiteral("*.tsv")}, QDir::Files, QDir::Name)) {
        for (const LessonTsv::Row &row : LessonTsv::readFile(sources.filePath(file))) {
            const QString english = row.english.simplified();
            const qsizetype words = typedWords(english).size();
            if (words >= 4 && words <= 16 && !all.contains(english))
                all << english;
        }
    }
    return all;
}

// The sentences of a set: the bundled sentences in a fixed shuffle, the first
// half for tuning, the second held out.
QStringList sentencesOf(const QString &set, int count, unsigned seed)
{
    QStringList all = lessonSentences();
    std::mt19937 random(seed);
    std::shuffle(all.begin(), all.end(), random);
    const qsizetype half = all.size() / 2;
    const QStringList chosen = set == QLatin1String("tune") ? all.mid(0, half) : all.mid(half);
    return chosen.mid(0, count);
}

QString withWord(const QList<TypedWord> &words, int index, const QString &replacement)
{
    QStringList said;
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (i != index)
            said << words[i].text;
        else if (!replacement.isEmpty())
            said << replacement;
    }
    return said.join(u' ') + u'.';
}

std::vector<Reading> makeReadings(const QStringList &sentences, const QStringList &voices,
                                  const Dictionary &dict, unsigned seed)
{
    // Unrelated words: content words of the lessons.
    QStringList pool;
    for (const QString &sentence : sentences) {
        for (const TypedWord &word : typedWords(sentence)) {
            const QString plain = plainWord(word.text);
            if (!functionWords().contains(plain) && dict.pronunciation.value(plain).size() >= 3 &&
                !pool.contains(plain))
                pool << plain;
        }
    }
    std::sort(pool.begin(), pool.end());

    std::vector<Reading> readings;
    std::mt19937 random(seed * 7919u + 1);
    for (qsizetype s = 0; s < sentences.size(); ++s) {
        const QString &typed = sentences[s];
        const QList<TypedWord> words = typedWords(typed);
        std::vector<int> content;
        std::vector<int> nearable;
        for (qsizetype i = 0; i < words.size(); ++i) {
            const QString plain = plainWord(words[i].text);
            if (functionWords().contains(plain) || !dict.pronunciation.contains(plain))
                continue;
            content.push_back(int(i));
            if (!dict.nearWords(plain).isEmpty())
                nearable.push_back(int(i));
        }
        if (content.empty())
            continue;
        const int dropped = content[random() % content.size()];
        const int replaced = content[random() % content.size()];
        const QStringList targetPhones = dict.pronunciation.value(plainWord(words[replaced].text));
        QString unrelated;
        for (int tries = 0; tries < 100 && unrelated.isEmpty(); ++tries) {
            const QString candidate = pool[qsizetype(random() % pool.size())];
            const QStringList phones = dict.pronunciation.value(candidate);
            if (phones.first() != targetPhones.first() && phones.last() != targetPhones.last() &&
                !typed.toLower().contains(candidate))
                unrelated = candidate;
        }
        int nearIndex = -1;
        QString near;
        if (!nearable.empty()) {
            nearIndex = nearable[random() % nearable.size()];
            const QStringList candidates = dict.nearWords(plainWord(words[nearIndex].text));
            near = candidates[qsizetype(random() % candidates.size())];
        }
        for (const QString &voice : voices) {
            const auto add = [&](Kind kind, int target, const QString &said, const QString &replacement) {
                readings.push_back({voice, int(s), kind, typed, said, target, replacement});
            };
            add(Kind::Correct, -1, typed, {});
            add(Kind::Dropped, dropped, withWord(words, dropped, {}), {});
            if (!unrelated.isEmpty())
                add(Kind::Unrelated, replaced, withWord(words, replaced, unrelated), unrelated);
            if (nearIndex >= 0)
                add(Kind::Near, nearIndex, withWord(words, nearIndex, near), near);
            add(Kind::Noisy, -1, typed, {});
        }
    }
    return readings;
}

// ---- The voices

class Learner
{
public:
    explicit Learner(const QString &name)
        : m_name(name)
    {
        if (name.startsWith(QLatin1String("cmu_"))) {
            m_flite = std::make_unique<FliteVoices>(QStringList{name});
            m_flite->open();
            m_voice = m_flite->load(name);
        } else {
            EspeakLibrary::acquire();
            m_espeak = EspeakLibrary::selectVoice(name.toUtf8());
        }
    }
    ~Learner()
    {
        if (!m_flite)
            EspeakLibrary::release();
    }
    bool isValid() const { return m_voice || m_espeak; }
    int rate() const { return m_voice ? m_voice->sampleRate() : EspeakLibrary::sampleRate(); }

    std::vector<qint16> say(const QString &text)
    {
        std::vector<qint16> samples;
        const auto take = [&samples](const qint16 *data, int count) {
            samples.insert(samples.end(), data, data + count);
            return true;
        };
        if (m_voice) {
            m_voice->synthesise(text, take);
        } else {
            EspeakLibrary::selectVoice(m_name.toUtf8());
            EspeakLibrary::synthesise(text, take);
        }
        return samples;
    }

private:
    QString m_name;
    std::unique_ptr<FliteVoices> m_flite;
    std::unique_ptr<Voice> m_voice;
    bool m_espeak = false;
};

// ---- The paths from the learner's mouth to the recogniser

std::vector<qint16> resample(const std::vector<qint16> &in, double from, double to)
{
    if (from == to)
        return in;
    std::vector<qint16> out(size_t(double(in.size()) * to / from) + 64);
    size_t done = 0;
    soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    io.flags |= SOXR_NO_DITHER;
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_oneshot(from, to, 1, in.data(), in.size(), nullptr, out.data(), out.size(), &done, &io, &quality,
                 nullptr);
    out.resize(done);
    return out;
}

// A learner's pauses around the reading, and the recording's own faint hiss.
std::vector<qint16> asRecorded(const std::vector<qint16> &speech, int rate, double snrDb,
                               std::mt19937 &random)
{
    const size_t pad = size_t(rate) * 4 / 10;
    std::vector<qint16> out(pad, 0);
    out.insert(out.end(), speech.begin(), speech.end());
    out.insert(out.end(), pad, 0);
    double power = 0;
    size_t loud = 0;
    for (qint16 s : speech) {
        if (std::abs(s) > 300) {
            power += double(s) * s;
            ++loud;
        }
    }
    const double rms = loud ? std::sqrt(power / double(loud)) : 1000.0;
    const double noise = rms / std::pow(10.0, snrDb / 20.0);
    std::normal_distribution<double> gauss(0.0, noise);
    for (qint16 &s : out)
        s = qint16(std::clamp(double(s) + gauss(random), -32768.0, 32767.0));
    return out;
}

// The sink and the capture run at the server's rate; the tap asks for 16 kHz.
constexpr double kServerRate = 44100;

std::vector<qint16> streamPath(const std::vector<qint16> &recorded, int rate)
{
    return resample(resample(recorded, rate, kServerRate), kServerRate, Recogniser::kRate);
}

// 8-bit unsigned mono at 11,025 Hz as the recorder keeps it (the whole file
// in `wave` when asked), and read back as daro-pronounce reads it.
std::vector<qint16> filePath(const std::vector<qint16> &recorded, int rate, QByteArray *wave)
{
    const std::vector<qint16> stored = resample(resample(recorded, rate, kServerRate), kServerRate, 11025);
    QByteArray bytes;
    bytes.reserve(qsizetype(stored.size()));
    for (qint16 s : stored)
        bytes.append(char(quint8((quint16(s) >> 8) + 0x80u)));
    const QByteArray file = waveHeader(1, 8, 11025, quint32(bytes.size())) + bytes;
    if (wave)
        *wave = file;
    const std::optional<WaveInfo> info = parseWaveHeader(file);
    return info ? monoSamples(*info, file.mid(info->dataOffset)) : std::vector<qint16>();
}

double processSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct Tally
{
    int correctWords = 0;
    int correctMissed = 0;
    int noisyWords = 0;
    int noisyMissed = 0;
    int otherWords = 0; // untouched words of altered readings
    int otherMissed = 0;
    int unscored = 0;
    int words = 0;
    int failed = 0;
    int cases[5] = {};
    int caught[5] = {};
    double cpu = 0;
    double audio = 0;
};

QString percent(int part, int whole)
{
    return whole ? QString::asprintf("%5.1f %% (%d/%d)", 100.0 * part / whole, part, whole)
                 : QStringLiteral("-");
}

void printTally(const char *path, const Tally &t)
{
    std::printf("%s path\n", path);
    std::printf("  correct words marked missed         %s\n",
                qPrintable(percent(t.correctMissed, t.correctWords)));
    std::printf("  the same under 20 dB noise          %s\n",
                qPrintable(percent(t.noisyMissed, t.noisyWords)));
    std::printf("  untouched words of altered readings %s\n",
                qPrintable(percent(t.otherMissed, t.otherWords)));
    for (Kind kind : {Kind::Dropped, Kind::Unrelated, Kind::Near})
        std::printf("  %-9s content word marked missed %s\n", kKindNames[int(kind)],
                    qPrintable(percent(t.caught[int(kind)], t.cases[int(kind)])));
    std::printf("  words not scored                    %s\n", qPrintable(percent(t.unscored, t.words)));
    std::printf("  analyses that failed                %d\n", t.failed);
    std::printf("  CPU per audio second                %.4f s (%.1f s of audio)\n",
                t.audio ? t.cpu / t.audio : 0.0, t.audio);
}

void tally(Tally &t, const Reading &reading, const ReadingCheck &check, QTextStream *dump, const char *path,
           const ReadingAnalysis *analysis)
{
    if (!check.ok) {
        ++t.failed;
        std::fprintf(stderr, "  analysis failed: %s, %s path, %s: \"%s\"\n", qPrintable(reading.voice), path,
                     kKindNames[int(reading.kind)], qPrintable(reading.said));
        return;
    }
    const QList<WordFinding> findings = analysis ? analysis->findings() : QList<WordFinding>();
    for (qsizetype i = 0; i < check.words.size(); ++i) {
        const WordHeard heard = check.words[i].heard;
        ++t.words;
        if (heard == WordHeard::Unscored) {
            ++t.unscored;
            continue;
        }
        const bool missed = heard == WordHeard::Missed;
        if (reading.kind == Kind::Correct) {
            ++t.correctWords;
            t.correctMissed += missed;
        } else if (reading.kind == Kind::Noisy) {
            ++t.noisyWords;
            t.noisyMissed += missed;
        } else if (i == reading.target) {
            ++t.cases[int(reading.kind)];
            t.caught[int(reading.kind)] += missed;
        } else {
            ++t.otherWords;
            t.otherMissed += missed;
        }
        if (dump && i < findings.size()) {
            const WordFinding &f = findings[i];
            *dump << path << '\t' << reading.voice << '\t' << reading.sentence << '\t'
                  << kKindNames[int(reading.kind)] << '\t' << i << '\t' << (i == reading.target ? 1 : 0)
                  << '\t' << check.words[i].word.text << '\t' << int(f.path) << '\t' << f.frames << '\t'
                  << f.score << '\n';
        }
    }
}

// ---- The corpus through both paths

// The layer's settings, the defaults unless tried otherwise.
struct Settings
{
    RecogniserSettings recogniser;
    JudgeThresholds judge;

    bool parse(const QString &list)
    {
        const std::map<QString, double *> params = {
            {QStringLiteral("skip"), &recogniser.skip},
            {QStringLiteral("other"), &recogniser.other},
            {QStringLiteral("goes-on"), &recogniser.otherGoesOn},
            {QStringLiteral("near-miss"), &recogniser.nearMiss},
            {QStringLiteral("silence"), &recogniser.silence},
            {QStringLiteral("noise"), &recogniser.noise},
            {QStringLiteral("lw"), &recogniser.languageWeight},
            {QStringLiteral("beam"), &recogniser.beam},
            {QStringLiteral("wbeam"), &recogniser.wordBeam},
            {QStringLiteral("below-median"), &judge.belowMedian},
        };
        for (const QString &param : list.split(u',', Qt::SkipEmptyParts)) {
            const QString name = param.section(u'=', 0, 0);
            const double value = param.section(u'=', 1).toDouble();
            if (name == QLatin1String("lookahead")) {
                recogniser.lookahead = int(value);
            } else if (name == QLatin1String("shortest-word")) {
                judge.shortestWord = int(value);
            } else if (params.count(name)) {
                *params.at(name) = value;
            } else {
                std::fprintf(stderr, "unknown setting %s\n", qPrintable(name));
                return false;
            }
        }
        return true;
    }

    void print() const
    {
        std::printf(
            "settings: skip %g, other %g, goes-on %g, near-miss %g, silence %g, noise %g, lw %g, beam %g, "
            "wbeam %g, lookahead %d, below-median %g, shortest-word %d\n",
            recogniser.skip, recogniser.other, recogniser.otherGoesOn, recogniser.nearMiss,
            recogniser.silence, recogniser.noise, recogniser.languageWeight, recogniser.beam,
            recogniser.wordBeam, recogniser.lookahead, judge.belowMedian, judge.shortestWord);
    }
};

bool runCorpus(const std::vector<Reading> &readings, const QStringList &voices, const Settings &settings,
               const QStringList &kinds, double hiss, unsigned seed, QTextStream *dump)
{
    QString error;
    std::unique_ptr<Recogniser> recogniser =
        Recogniser::load(RecogniserModel::installed(), settings.recogniser, &error);
    if (!recogniser) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    ReadingAnalysis analysis(*recogniser, settings.judge);
    Tally stream;
    Tally file;
    std::map<QString, std::pair<Tally, Tally>> byVoice;
    for (const QString &voiceName : voices) {
        Learner learner(voiceName);
        if (!learner.isValid()) {
            std::printf("  %s: not available\n", qPrintable(voiceName));
            continue;
        }
        for (const Reading &reading : readings) {
            if (reading.voice != voiceName ||
                (!kinds.isEmpty() && !kinds.contains(QLatin1String(kKindNames[int(reading.kind)]))))
                continue;
            const std::vector<qint16> speech = learner.say(reading.said);
            // Each reading's own noise, whichever others are read.
            std::mt19937 noise(seed ^ (qHash(reading.voice) + 7919u * unsigned(reading.sentence) +
                                       104729u * unsigned(reading.kind)));
            const std::vector<qint16> recorded =
                asRecorded(speech, learner.rate(), reading.kind == Kind::Noisy ? 20.0 : hiss, noise);
            const double seconds = double(recorded.size()) / learner.rate();

            const std::vector<qint16> live = streamPath(recorded, learner.rate());
            double before = processSeconds();
            ReadingCheck check = analysis.check(reading.typed, live.data(), qsizetype(live.size()));
            stream.cpu += processSeconds() - before;
            stream.audio += seconds;
            tally(stream, reading, check, dump, "stream", &analysis);
            tally(byVoice[voiceName].first, reading, check, nullptr, "stream", nullptr);

            const std::vector<qint16> stored = filePath(recorded, learner.rate(), nullptr);
            before = processSeconds();
            check = analysis.checkRecording(reading.typed, stored.data(), qsizetype(stored.size()), 11025);
            file.cpu += processSeconds() - before;
            file.audio += seconds;
            tally(file, reading, check, dump, "file", &analysis);
            tally(byVoice[voiceName].second, reading, check, nullptr, "file", nullptr);
        }
        std::printf("  %s done, load %.2f\n", qPrintable(voiceName), loadAverage());
        std::fflush(stdout);
    }
    std::printf(
        "\nreadings: as typed, a content word dropped, replaced by an unrelated word, replaced by a near "
        "word; and as typed under 20 dB of white noise\n");
    printTally("stream (16-bit, 16 kHz)", stream);
    printTally("file (8-bit, 11,025 Hz)", file);
    std::printf(
        "\nby voice, stream / file: correct words marked missed; the same under noise; dropped, unrelated, "
        "near caught\n");
    const auto share = [](int part, int whole) { return whole ? 100.0 * part / whole : 0.0; };
    for (const auto &[voice, tallies] : byVoice) {
        std::printf("  %-16s", qPrintable(voice));
        for (const Tally *t : {&tallies.first, &tallies.second}) {
            std::printf("  %4.1f %% %4.1f %% %5.1f %% %5.1f %% %5.1f %%",
                        share(t->correctMissed, t->correctWords), share(t->noisyMissed, t->noisyWords),
                        share(t->caught[int(Kind::Dropped)], t->cases[int(Kind::Dropped)]),
                        share(t->caught[int(Kind::Unrelated)], t->cases[int(Kind::Unrelated)]),
                        share(t->caught[int(Kind::Near)], t->cases[int(Kind::Near)]));
            if (t == &tallies.first)
                std::printf("  /");
        }
        std::printf("\n");
    }
    return true;
}

// ---- The time to the result, and the memory, of a listener as the window has it

// One child process: a recording fed to a fresh listener in real time, in
// 20 ms pieces from a thread of its own as the capture would; prints the
// cost of making the listener, the time from finish() to the result and the
// peak memory over the process before the first begin().
int childListen(const QString &samplesFile)
{
    QFile file(samplesFile);
    QFile textFile(samplesFile + QStringLiteral(".txt"));
    if (!file.open(QIODevice::ReadOnly) || !textFile.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray bytes = file.readAll();
    const QString text = QString::fromUtf8(textFile.readAll());
    std::vector<qint16> samples(size_t(bytes.size() / 2));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);

    residentKiB();
    const qint64 before = residentKiB();
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<ReadingListener> listener = makeReadingListener();
    const double makeMs = double(timer.nsecsElapsed()) / 1e6;
    const qint64 made = residentKiB();
    resetPeakResident();

    listener->begin(text);
    std::thread capture([&] {
        constexpr qsizetype kPiece = Recogniser::kRate / 50;
        const auto start = std::chrono::steady_clock::now();
        for (qsizetype at = 0, n = 0; at < qsizetype(samples.size()); at += kPiece, ++n) {
            std::this_thread::sleep_until(start + std::chrono::milliseconds(20 * (n + 1)));
            listener->feed(samples.data() + at, std::min(kPiece, qsizetype(samples.size()) - at),
                           Recogniser::kRate);
        }
    });
    capture.join();
    std::optional<ReadingCheck> check;
    double resultMs = 0;
    timer.restart();
    listener->finish(text, QCoreApplication::instance(), [&](const ReadingCheck &result) {
        resultMs = double(timer.nsecsElapsed()) / 1e6;
        check = result;
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    int missed = 0;
    for (const HeardWord &word : check->words)
        missed += word.heard == WordHeard::Missed;
    std::printf("listen\t%.3f\t%lld\t%.1f\t%lld\t%d\t%d\t%lld\n", makeMs, qlonglong(made - before), resultMs,
                qlonglong(peakResidentKiB() - made), check->ok ? 1 : 0, missed,
                qlonglong(check->words.size()));
    return 0;
}

// A text of lesson sentences about `seconds` long when read.
QString longText(Learner &learner, const QStringList &sentences, double seconds)
{
    QStringList text;
    double said = 0;
    for (const QString &sentence : sentences) {
        if (said >= seconds - 0.5)
            break;
        const double length = double(learner.say(sentence).size()) / learner.rate() + 0.3;
        if (said + length > seconds + 0.5)
            continue;
        text << sentence;
        said += length;
    }
    return text.join(u' ');
}

void runLatency(const QString &voice, const QStringList &sentences, int runs)
{
    Learner learner(voice);
    if (!learner.isValid())
        return;
    QTemporaryDir dir;
    const QString text = longText(learner, sentences, 10.0);
    std::mt19937 noise(1);
    const std::vector<qint16> live =
        streamPath(asRecorded(learner.say(text), learner.rate(), 60, noise), learner.rate());
    const QString samplesFile = dir.filePath(QStringLiteral("reading.raw"));
    QFile file(samplesFile);
    QFile textFile(samplesFile + QStringLiteral(".txt"));
    if (!file.open(QIODevice::WriteOnly) || !textFile.open(QIODevice::WriteOnly))
        return;
    file.write(reinterpret_cast<const char *>(live.data()), qint64(live.size() * 2));
    textFile.write(text.toUtf8());
    file.close();
    textFile.close();
    std::printf(
        "\nlistener as the window has it, a %.1f s recording (%s, %lld words) fed in real time, %d runs\n",
        double(live.size()) / Recogniser::kRate, qPrintable(voice), qlonglong(typedWords(text).size()), runs);
    std::vector<double> makeMs, madeKiB, resultMs, peakKiB;
    for (int run = 0; run < runs; ++run) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const double load = loadAverage();
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child-listen"), samplesFile});
        if (!child.waitForFinished(120000))
            continue;
        const QStringList f = QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(u'\t');
        if (f.size() != 8 || f[0] != QLatin1String("listen"))
            continue;
        std::printf(
            "  run %d: making the listener %.3f ms, %+lld KiB; finish() to result %.1f ms; peak %+.1f MB "
            "while analysing; %s, %s of %s words missed; load %.2f\n",
            run + 1, f[1].toDouble(), f[2].toLongLong(), f[3].toDouble(), f[4].toDouble() / 1024,
            f[5] == QLatin1String("1") ? "ok" : "FAILED", qPrintable(f[6]), qPrintable(f[7]), load);
        makeMs.push_back(f[1].toDouble());
        madeKiB.push_back(f[2].toDouble());
        resultMs.push_back(f[3].toDouble());
        peakKiB.push_back(f[4].toDouble());
    }
    if (resultMs.empty())
        return;
    std::printf("  median: making %.3f ms, %+.0f KiB; finish() to result %.1f ms (worst %.1f); peak %+.1f MB "
                "(worst %+.1f)\n",
                median(makeMs), median(madeKiB), median(resultMs),
                *std::max_element(resultMs.begin(), resultMs.end()), median(peakKiB) / 1024,
                *std::max_element(peakKiB.begin(), peakKiB.end()) / 1024);
}

// ---- daro-pronounce: CPU per audio second, start-up included

void runPronounce(const std::vector<Reading> &readings, const QString &voice, int count)
{
    Learner learner(voice);
    if (!learner.isValid())
        return;
    QTemporaryDir dir;
    std::mt19937 noise(2);
    double audio = 0;
    rusage before{};
    getrusage(RUSAGE_CHILDREN, &before);
    int done = 0;
    for (const Reading &reading : readings) {
        if (reading.voice != voice || reading.kind != Kind::Correct || done >= count)
            continue;
        QByteArray wave;
        const std::vector<qint16> recorded = asRecorded(learner.say(reading.said), learner.rate(), 60, noise);
        const qsizetype samples = qsizetype(filePath(recorded, learner.rate(), &wave).size());
        const QString path = dir.filePath(QStringLiteral("%1.wav").arg(done));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.write(wave);
        file.close();
        QProcess command;
        command.start(QStringLiteral(DARO_PRONOUNCE_EXE), {QStringLiteral("--text"), reading.typed, path});
        if (!command.waitForFinished(60000) || command.exitCode() != 0)
            continue;
        audio += double(samples) / 11025;
        ++done;
    }
    rusage after{};
    getrusage(RUSAGE_CHILDREN, &after);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    const double cpu = seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) -
                       seconds(before.ru_stime);
    std::printf(
        "\ndaro-pronounce on %d of the program's recordings (%s, %.1f s of audio): %.3f s CPU per audio "
        "second, start-up included (%.2f s per run); load %.2f\n",
        done, qPrintable(voice), audio, audio > 0 ? cpu / audio : 0.0, done ? cpu / done : 0.0,
        loadAverage());
}

// ---- The real chain: the private sound server, PulseCapture's tap, the recorder's file

struct RealTally
{
    Tally stream;
    Tally file;
    int agreeStream = 0;
    int agreeFile = 0;
    int compared = 0;
};

void tallyReal(Tally &t, const Reading &reading, const QList<WordHeard> &heard)
{
    ReadingCheck check;
    check.ok = !heard.isEmpty();
    const QList<TypedWord> words = typedWords(reading.typed);
    for (qsizetype i = 0; i < heard.size() && i < words.size(); ++i)
        check.words << HeardWord{words[i], heard[i]};
    tally(t, reading, check, nullptr, "real", nullptr);
}

QList<WordHeard> parsePronounce(const QByteArray &out)
{
    QList<WordHeard> heard;
    for (const QByteArray &line : out.split('\n')) {
        if (line.endsWith("\theard"))
            heard << WordHeard::Heard;
        else if (line.endsWith("\tmissed"))
            heard << WordHeard::Missed;
        else if (line.endsWith("\tunscored"))
            heard << WordHeard::Unscored;
    }
    return heard;
}

// Record() with and without the tap, alternating, on the real input.
void timeRecordStart(int runs)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Temp.wav"));
    std::vector<double> with, without;
    for (int run = 0; run < 2 * runs; ++run) {
        const bool tapped = run % 2 == 1;
        CreateWav(1, 8, 11025, path);
        WaveRecorder recorder(makeAudioSourceCapture());
        recorder.setFileName(path);
        std::atomic<qint64> samples{0};
        if (tapped)
            recorder.setSampleTap([&samples](const qint16 *, qsizetype count, quint32) { samples += count; });
        recorder.Open();
        QElapsedTimer timer;
        timer.start();
        recorder.Record();
        (tapped ? with : without).push_back(double(timer.nsecsElapsed()) / 1e6);
        QThread::msleep(200);
        recorder.Stop();
        recorder.Close();
    }
    std::printf(
        "\nRecord() on the private server's input, %d times each, alternating: without a tap median %.2f ms "
        "(worst %.2f), with the tap %.2f ms (worst %.2f); load %.2f\n",
        runs, median(without), *std::max_element(without.begin(), without.end()), median(with),
        *std::max_element(with.begin(), with.end()), loadAverage());
}

void runReal(const std::vector<Reading> &readings, const QString &voice, int sentences,
             const Settings &settings)
{
    Learner learner(voice);
    if (!learner.isValid())
        return;
    QTemporaryDir dir;
    // A reader on the input throughout: the test server's null sink renders
    // ahead in long blocks while nobody reads its monitor.
    MonitorCapture warm(dir.filePath(QStringLiteral("warm.raw")), 8000);
    if (!warm.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(warm.errorString()));
        return;
    }
    timeRecordStart(20);

    LiveListener listener(RecogniserModel::installed(), settings.recogniser, settings.judge);
    std::unique_ptr<Recogniser> recogniser =
        Recogniser::load(RecogniserModel::installed(), settings.recogniser, nullptr);
    ReadingAnalysis simulated(*recogniser, settings.judge);
    RealTally real;
    std::mt19937 noise(3);
    QSet<int> used;
    const QString path = dir.filePath(QStringLiteral("Temp.wav"));
    for (const Reading &reading : readings) {
        if (reading.voice != voice || reading.kind == Kind::Noisy)
            continue;
        if (!used.contains(reading.sentence)) {
            if (used.size() >= sentences)
                continue;
            used.insert(reading.sentence);
        }
        const std::vector<qint16> speech = learner.say(reading.said);

        CreateWav(1, 8, 11025, path);
        WaveRecorder recorder(makeAudioSourceCapture());
        recorder.setFileName(path);
        recorder.setSampleTap([&listener](const qint16 *samples, qsizetype count, quint32 rate) {
            listener.feed(samples, count, rate);
        });
        listener.begin(reading.typed);
        recorder.Open();
        recorder.Record();
        QThread::msleep(300);
        QProcess play;
        play.start(QStringLiteral("pacat"),
                   {QStringLiteral("--playback"), QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                    QStringLiteral("--rate=%1").arg(learner.rate()), QStringLiteral("--channels=1"),
                    QStringLiteral("--device=daro_sink")});
        play.waitForStarted();
        play.write(reinterpret_cast<const char *>(speech.data()), qint64(speech.size() * 2));
        play.closeWriteChannel();
        play.waitForFinished(60000);
        QThread::msleep(300);
        recorder.Stop();
        recorder.Save();
        recorder.Close();

        std::optional<ReadingCheck> live;
        QEventLoop wait;
        listener.finish(reading.typed, &wait, [&](const ReadingCheck &check) {
            live = check;
            wait.quit();
        });
        wait.exec();
        QList<WordHeard> streamHeard;
        for (const HeardWord &word : live->words)
            streamHeard << word.heard;
        tallyReal(real.stream, reading, live->ok ? streamHeard : QList<WordHeard>());

        QProcess command;
        command.start(QStringLiteral(DARO_PRONOUNCE_EXE), {QStringLiteral("--text"), reading.typed, path});
        command.waitForFinished(60000);
        const QList<WordHeard> fileHeard = parsePronounce(command.readAllStandardOutput());
        tallyReal(real.file, reading, fileHeard);

        // The same reading through the simulated chains.
        const std::vector<qint16> recorded = asRecorded(speech, learner.rate(), 60, noise);
        const std::vector<qint16> simulatedLive = streamPath(recorded, learner.rate());
        const ReadingCheck simStream =
            simulated.check(reading.typed, simulatedLive.data(), qsizetype(simulatedLive.size()));
        const std::vector<qint16> stored = filePath(recorded, learner.rate(), nullptr);
        const ReadingCheck simFile =
            simulated.checkRecording(reading.typed, stored.data(), qsizetype(stored.size()), 11025);
        for (qsizetype i = 0; i < simStream.words.size() && i < streamHeard.size() && i < fileHeard.size() &&
                              i < simFile.words.size();
             ++i) {
            ++real.compared;
            real.agreeStream += simStream.words[i].heard == streamHeard[i];
            real.agreeFile += simFile.words[i].heard == fileHeard[i];
        }
    }
    std::printf(
        "\nthe real chain: %d sentences read by %s into the private server's null sink, recorded from its "
        "monitor by PulseCapture (the tap to the listener, the file to daro-pronounce); load %.2f\n",
        int(used.size()), qPrintable(voice), loadAverage());
    printTally("real stream", real.stream);
    printTally("real file", real.file);
    std::printf("  words judged alike by the real and the simulated chain: stream %s, file %s\n",
                qPrintable(percent(real.agreeStream, real.compared)),
                qPrintable(percent(real.agreeFile, real.compared)));
}

} // namespace

int main(int argc, char *argv[])
{
    const bool child = argc > 1 && qstrcmp(argv[1], "--child-listen") == 0;
    // The real chain needs the private sound server, started before the
    // application object as everywhere.
    bool real = true;
    for (int i = 1; i < argc; ++i) {
        if ((qstrcmp(argv[i], "--real") == 0 && i + 1 < argc && qstrcmp(argv[i + 1], "0") == 0) ||
            qstrcmp(argv[i], "--real=0") == 0)
            real = false;
    }
    PrivateSoundServer server;
    if (!child && real && !server.startUnlessGiven())
        return 1;
    QCoreApplication app(argc, argv);
    if (child)
        return childListen(QString::fromLocal8Bit(argv[2]));

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption setOption(QStringLiteral("set"),
                                       QStringLiteral("tune or held-out: sentences and voices of the set."),
                                       QStringLiteral("SET"), QStringLiteral("held-out"));
    const QCommandLineOption sentencesOption(QStringLiteral("sentences"),
                                             QStringLiteral("Sentences of the set."), QStringLiteral("N"),
                                             QStringLiteral("60"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed of the draw."),
                                        QStringLiteral("S"), QStringLiteral("21"));
    const QCommandLineOption voicesOption(QStringLiteral("voices"),
                                          QStringLiteral("Voices instead of the set's, comma-separated."),
                                          QStringLiteral("LIST"));
    const QCommandLineOption kindsOption(
        QStringLiteral("kinds"),
        QStringLiteral("Only these kinds of reading: correct, dropped, unrelated, "
                       "near, noisy."),
        QStringLiteral("LIST"));
    const QCommandLineOption hissOption(QStringLiteral("hiss"),
                                        QStringLiteral("The recording's own noise, in dB below the speech."),
                                        QStringLiteral("DB"), QStringLiteral("60"));
    const QCommandLineOption dumpOption(QStringLiteral("dump"), QStringLiteral("Write every word's finding."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption paramOption(
        QStringLiteral("param"),
        QStringLiteral(
            "Try other settings: skip, other, goes-on, near-miss, silence, noise, lw, beam, wbeam, "
            "lookahead, below-median, shortest-word, as NAME=VALUE,..."),
        QStringLiteral("LIST"));
    const QCommandLineOption latencyOption(
        QStringLiteral("latency"), QStringLiteral("Runs of the listener fed a 10 s recording in real time."),
        QStringLiteral("R"), QStringLiteral("5"));
    const QCommandLineOption pronounceOption(QStringLiteral("pronounce"),
                                             QStringLiteral("Recordings daro-pronounce is timed on."),
                                             QStringLiteral("N"), QStringLiteral("20"));
    const QCommandLineOption realOption(QStringLiteral("real"),
                                        QStringLiteral("Sentences read through the real capture chain on the "
                                                       "private sound server."),
                                        QStringLiteral("N"), QStringLiteral("10"));
    parser.addOptions({setOption, sentencesOption, seedOption, voicesOption, kindsOption, hissOption,
                       dumpOption, paramOption, latencyOption, pronounceOption, realOption});
    parser.process(app);

    const QString set = parser.value(setOption);
    const unsigned seed = parser.value(seedOption).toUInt();
    QStringList voices = parser.value(voicesOption).split(u',', Qt::SkipEmptyParts);
    if (voices.isEmpty()) {
        voices =
            set == QLatin1String("tune")
                ? QStringList{QStringLiteral("cmu_us_slt"), QStringLiteral("en-us"), QStringLiteral("cmn")}
                : QStringList{QStringLiteral("cmu_us_awb"), QStringLiteral("cmu_us_kal16"),
                              QStringLiteral("en-gb-scotland")};
    }
    Settings settings;
    if (!settings.parse(parser.value(paramOption)))
        return 1;

    Dictionary dict;
    if (!dict.load(RecogniserModel::installed().dictionary)) {
        std::fprintf(stderr, "the pocketsphinx-en-us model is missing\n");
        return 1;
    }
    const QStringList sentences = sentencesOf(set, parser.value(sentencesOption).toInt(), seed);
    const std::vector<Reading> readings = makeReadings(sentences, voices, dict, seed);
    std::printf("set %s: %lld sentences drawn with seed %u, voices %s; load %.2f\n", qPrintable(set),
                qlonglong(sentences.size()), seed, qPrintable(voices.join(QStringLiteral(", "))),
                loadAverage());
    settings.print();

    std::unique_ptr<QFile> dumpFile;
    std::unique_ptr<QTextStream> dump;
    if (parser.isSet(dumpOption)) {
        dumpFile = std::make_unique<QFile>(parser.value(dumpOption));
        if (!dumpFile->open(QIODevice::WriteOnly | QIODevice::Text))
            return 1;
        dump = std::make_unique<QTextStream>(dumpFile.get());
    }
    if (!runCorpus(readings, voices, settings, parser.value(kindsOption).split(u',', Qt::SkipEmptyParts),
                   parser.value(hissOption).toDouble(), seed, dump.get()))
        return 1;
    if (parser.value(pronounceOption).toInt() > 0)
        runPronounce(readings, voices.first(), parser.value(pronounceOption).toInt());
    if (parser.value(latencyOption).toInt() > 0)
        runLatency(voices.first(), sentencesOf(set, 1000, seed), parser.value(latencyOption).toInt());
    if (parser.value(realOption).toInt() > 0)
        runReal(readings, voices.first(), parser.value(realOption).toInt(), settings);
    return 0;
}
