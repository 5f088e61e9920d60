// SPDX-License-Identifier: GPL-3.0-or-later
#include "pronunciation/recogniser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <pocketsphinx.h>
#include <sphinxbase/cmn.h>
#include <sphinxbase/err.h>
#include <sphinxbase/fe.h>
#include <sphinxbase/feat.h>
#include <sphinxbase/fsg_model.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace {

// The sounds of the American English model, each a one-sound word of its own
// in the dictionary, which the grammar strings together for "something else".
const char *const kSounds[] = {"AA", "AE", "AH", "AO", "AW", "AY", "B",  "CH", "D", "DH", "EH", "ER", "EY",
                               "F",  "G",  "HH", "IH", "IY", "JH", "K",  "L",  "M", "N",  "NG", "OW", "OY",
                               "P",  "R",  "S",  "SH", "T",  "TH", "UH", "UW", "V", "W",  "Y",  "Z",  "ZH"};
// Dictionary words cannot start with this.
constexpr char kSoundPrefix = '~';

const char *const kGrammarName = "reading";

// The sounds Chinese learners most often say for another: l and r, v and w
// (or b), th and s, the th of "this" as z or d.
const std::pair<const char *, const char *> kNearSounds[] = {
    {"L", "R"},  {"R", "L"},  {"V", "W"},  {"W", "V"},  {"V", "B"},
    {"TH", "S"}, {"S", "TH"}, {"DH", "Z"}, {"DH", "D"},
};

// A dictionary word as the decoder names an alternative pronunciation of it:
// "the(2)" is "the".
QByteArray baseWord(const char *word)
{
    QByteArray base(word);
    if (base.endsWith(')')) {
        const qsizetype open = base.lastIndexOf('(');
        if (open > 0)
            base.truncate(open);
    }
    return base;
}

bool isFiller(const QByteArray &word)
{
    return word.isEmpty() || word.startsWith('<') || word.startsWith('[') || word.startsWith('+') ||
           word == "(NULL)";
}

} // namespace

std::unique_ptr<Recogniser> Recogniser::load(const RecogniserModel &model, const RecogniserSettings &settings,
                                             QString *error)
{
    const auto fail = [error](const QString &why) -> std::unique_ptr<Recogniser> {
        if (error)
            *error = why;
        return nullptr;
    };
    if (!QFileInfo(QDir(model.acousticModel).filePath(QStringLiteral("mdef"))).isFile())
        return fail(QStringLiteral("no acoustic model in %1").arg(model.acousticModel));
    if (!QFileInfo(model.dictionary).isFile())
        return fail(QStringLiteral("no pronouncing dictionary %1").arg(model.dictionary));

    // pocketsphinx logs every step on stderr; the caller says what went wrong.
    static std::once_flag quiet;
    std::call_once(quiet, [] { err_set_logfp(nullptr); });

    const QByteArray hmm = QFile::encodeName(model.acousticModel);
    const QByteArray dict = QFile::encodeName(model.dictionary);
    const QByteArray beam = QByteArray::number(settings.beam, 'g', 3);
    const QByteArray wordBeam = QByteArray::number(settings.wordBeam, 'g', 3);
    // The decoder's own voice detection would cut frames out of the reading;
    // every senone is scored so that each frame's best is known. Exact zeros
    // (a muted or idle input, the quiet of an 8-bit file) have no spectrum to
    // take the logarithm of and drag the reading's mean far from the speech:
    // dither them, with a fixed seed so that a file is always judged alike.
    cmd_ln_t *config =
        cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.constData(), "-dict", dict.constData(),
                    "-remove_silence", "no", "-compallsen", "yes", "-beam", beam.constData(), "-pbeam",
                    beam.constData(), "-wbeam", wordBeam.constData(), "-maxhmmpf", "-1", "-bestpath", "no",
                    "-pl_window", "0", "-fsgusefiller", "no", "-samprate", "16000", "-dither", "yes",
                    "-seed", "1", nullptr);
    if (!config)
        return fail(QStringLiteral("the recogniser does not take its settings"));
    ps_decoder_t *decoder = ps_init(config);
    fe_t *frontEnd = decoder ? fe_init_auto_r(ps_get_config(decoder)) : nullptr;
    cmd_ln_free_r(config);
    if (!decoder || !frontEnd) {
        fe_free(frontEnd);
        ps_free(decoder);
        return fail(QStringLiteral("the recogniser's model does not load from %1").arg(model.acousticModel));
    }

    std::unique_ptr<Recogniser> recogniser(new Recogniser(decoder, frontEnd, settings));
    if (!recogniser->addSoundWords())
        return fail(QStringLiteral("the recogniser's model lacks the sounds of English"));
    return recogniser;
}

Recogniser::Recogniser(ps_decoder_s *decoder, fe_s *frontEnd, const RecogniserSettings &settings)
    : m_decoder(decoder)
    , m_frontEnd(frontEnd)
    , m_settings(settings)
    , m_width(fe_get_output_size(frontEnd))
{
    // The mean of each reading's spectrum is taken out here, from all of
    // the reading so far and ahead, not by the decoder from a running guess
    // that begins at the model's and takes seconds to come near the
    // microphone's. Each reading also starts afresh, never heard through the
    // one before.
    ps_get_feat(m_decoder)->cmn = CMN_NONE;
    m_sum.assign(size_t(m_width), 0.0);
}

Recogniser::~Recogniser()
{
    if (m_started)
        ps_end_utt(m_decoder);
    fe_free(m_frontEnd);
    ps_free(m_decoder);
}

bool Recogniser::addSoundWords()
{
    for (const char *sound : kSounds) {
        const QByteArray word = kSoundPrefix + QByteArray(sound).toLower();
        if (ps_add_word(m_decoder, word.constData(), sound, FALSE) < 0)
            return false;
        m_soundWords << word;
    }
    return true;
}

// The word's pronunciations with one sound swapped for one learners say in
// its place, as words of the dictionary (added as needed), none of them a
// pronunciation of the word itself.
QByteArrayList Recogniser::nearMisses(const QByteArray &word)
{
    QList<QByteArrayList> own;
    for (int alternative = 1; alternative < 10; ++alternative) {
        const QByteArray name = alternative == 1 ? word : word + '(' + QByteArray::number(alternative) + ')';
        char *phones = ps_lookup_word(m_decoder, name.constData());
        if (!phones)
            break;
        own << QByteArray(phones).split(' ');
        std::free(phones);
    }
    QByteArrayList nears;
    for (const QByteArrayList &phones : std::as_const(own)) {
        for (qsizetype i = 0; i < phones.size(); ++i) {
            for (const auto &[from, to] : kNearSounds) {
                if (phones[i] != from)
                    continue;
                QByteArrayList changed = phones;
                changed[i] = to;
                if (own.contains(changed))
                    continue;
                const QByteArray name = kSoundPrefix + changed.join('_').toLower();
                if (nears.contains(name))
                    continue;
                char *known = ps_lookup_word(m_decoder, name.constData());
                std::free(known);
                if (!known &&
                    ps_add_word(m_decoder, name.constData(), changed.join(' ').constData(), FALSE) < 0)
                    continue;
                nears << name;
            }
        }
    }
    return nears;
}

bool Recogniser::knows(const QByteArray &word) const
{
    if (word.isEmpty() || word.startsWith(kSoundPrefix) || isFiller(word))
        return false;
    char *phones = ps_lookup_word(m_decoder, word.constData());
    std::free(phones);
    return phones != nullptr;
}

DictionaryLookup Recogniser::lookup() const
{
    return [this](const QByteArray &word) { return knows(word); };
}

bool Recogniser::start(const QList<SpokenWord> &words)
{
    if (m_started) {
        ps_end_utt(m_decoder);
        m_started = false;
    }
    m_words = words;
    logmath_t *lmath = ps_get_logmath(m_decoder);
    const double lw = m_settings.languageWeight;
    const auto logp = [lmath, lw](double p) { return int32(logmath_log(lmath, p) * lw); };

    // State i is before word i; state n, after the last, is final. Each word
    // adds two states for something else, and one for each inner word of a
    // reading of several words.
    const qsizetype n = words.size();
    int32 states = int32(n + 1);
    for (const SpokenWord &word : words) {
        states += 2;
        for (const QByteArrayList &reading : word.readings)
            states += int32(reading.size() - 1);
    }
    fsg_model_t *fsg = fsg_model_init(kGrammarName, lmath, float32(lw), states);
    fsg->start_state = 0;
    fsg->final_state = int32(n);
    int32 next = int32(n + 1);
    for (qsizetype i = 0; i < n; ++i) {
        const int32 before = int32(i);
        const int32 after = int32(i + 1);
        const SpokenWord &word = words[i];
        // A word not scored is listened for as anything or nothing.
        const double skip = word.scored() ? m_settings.skip : 0.5;
        const double other = word.scored() ? m_settings.other : 0.5;
        fsg_model_null_trans_add(fsg, before, after, logp(skip));

        const int32 otherStart = next++;
        const int32 otherSound = next++;
        fsg_model_null_trans_add(fsg, before, otherStart, logp(other));
        const int32 soundProb = logp(1.0 / m_soundWords.size());
        for (const QByteArray &sound : std::as_const(m_soundWords))
            fsg_model_trans_add(fsg, otherStart, otherSound, soundProb,
                                fsg_model_word_add(fsg, sound.constData()));
        fsg_model_null_trans_add(fsg, otherSound, otherStart, logp(m_settings.otherGoesOn));
        fsg_model_null_trans_add(fsg, otherSound, after, logp(1.0 - m_settings.otherGoesOn));

        if (!word.scored())
            continue;
        const int32 readingProb = logp((1.0 - skip - other) / word.readings.size());
        // The word said with a sound learners put for another: a path of
        // its own, which takes the reading when it sounds more like it.
        QByteArrayList nears;
        for (const QByteArrayList &reading : word.readings) {
            if (reading.size() == 1)
                nears += nearMisses(reading.first());
        }
        if (!nears.isEmpty()) {
            const int32 nearProb = logp(m_settings.nearMiss / nears.size());
            for (const QByteArray &near : std::as_const(nears))
                fsg_model_trans_add(fsg, before, after, nearProb, fsg_model_word_add(fsg, near.constData()));
        }
        for (const QByteArrayList &reading : word.readings) {
            int32 from = before;
            for (qsizetype w = 0; w < reading.size(); ++w) {
                const int32 to = w + 1 == reading.size() ? after : next++;
                fsg_model_trans_add(fsg, from, to, w == 0 ? readingProb : 0,
                                    fsg_model_word_add(fsg, reading[w].constData()));
                from = to;
            }
        }
    }
    // Several words in a row may be skipped.
    glist_free(fsg_model_null_trans_closure(fsg, nullptr));
    // Silence and noises anywhere.
    fsg_model_add_silence(fsg, "<sil>", -1, float32(m_settings.silence));
    for (const char *noise : {"[NOISE]", "[SPEECH]"})
        fsg_model_add_silence(fsg, noise, -1, float32(m_settings.noise));

    const bool set =
        ps_set_fsg(m_decoder, kGrammarName, fsg) == 0 && ps_set_search(m_decoder, kGrammarName) == 0;
    fsg_model_free(fsg);
    if (!set)
        return false;
    m_pending.clear();
    std::fill(m_sum.begin(), m_sum.end(), 0.0);
    m_frames = 0;
    m_ready = 0;
    m_failed = false;
    fe_start_stream(m_frontEnd);
    m_started = fe_start_utt(m_frontEnd) == 0 && ps_start_utt(m_decoder) == 0;
    return m_started;
}

bool Recogniser::process(const qint16 *samples, qsizetype count)
{
    if (!m_started || m_failed)
        return false;
    constexpr int32 kBlock = 64;
    m_block.resize(size_t(kBlock) * size_t(m_width));
    std::vector<float *> rows(kBlock);
    for (int32 i = 0; i < kBlock; ++i)
        rows[size_t(i)] = m_block.data() + size_t(i) * size_t(m_width);
    const int16 *at = samples;
    size_t left = size_t(count);
    while (left > 0) {
        int32 frames = kBlock;
        if (fe_process_frames(m_frontEnd, &at, &left, rows.data(), &frames, nullptr) < 0) {
            m_failed = true;
            return false;
        }
        if (frames == 0)
            break;
        for (int32 f = 0; f < frames; ++f)
            addFrame(rows[size_t(f)]);
    }
    decodeReady();
    return !m_failed;
}

// A frame from the front end. The frame `lookahead` frames before it now has
// the sound around it, and the mean of every frame up to here is taken out of
// it: each frame gets the same mean however the sound came in pieces.
void Recogniser::addFrame(const float *frame)
{
    m_pending.insert(m_pending.end(), frame, frame + m_width);
    for (int c = 0; c < m_width; ++c)
        m_sum[size_t(c)] += frame[c];
    ++m_frames;
    if (m_frames > m_settings.lookahead)
        normalise(m_ready++);
}

void Recogniser::normalise(qsizetype pendingFrame)
{
    float *row = m_pending.data() + pendingFrame * m_width;
    for (int c = 0; c < m_width; ++c)
        row[c] -= float(m_sum[size_t(c)] / double(m_frames));
}

// Decodes the frames whose mean is taken out.
void Recogniser::decodeReady()
{
    if (m_ready <= 0)
        return;
    m_rows.resize(size_t(m_ready));
    for (qsizetype f = 0; f < m_ready; ++f)
        m_rows[size_t(f)] = m_pending.data() + f * m_width;
    if (ps_process_cep(m_decoder, m_rows.data(), int(m_ready), FALSE, FALSE) < 0)
        m_failed = true;
    m_pending.erase(m_pending.begin(), m_pending.begin() + m_ready * m_width);
    m_ready = 0;
}

// The words of the decoder's best path, fillers left out.
QList<Recogniser::Segment> Recogniser::segments() const
{
    QList<Segment> said;
    for (ps_seg_t *seg = ps_seg_iter(m_decoder); seg; seg = ps_seg_next(seg)) {
        const QByteArray word = baseWord(ps_seg_word(seg));
        if (isFiller(word))
            continue;
        int first = 0;
        int last = 0;
        ps_seg_frames(seg, &first, &last);
        int32 acoustic = 0;
        ps_seg_prob(seg, &acoustic, nullptr, nullptr);
        said << Segment{word, last - first + 1, acoustic};
    }
    return said;
}

std::optional<QList<WordFinding>> Recogniser::finish()
{
    if (!m_started)
        return std::nullopt;
    std::vector<float> last(static_cast<size_t>(m_width));
    int32 lastFrames = 0;
    if (!m_failed && fe_end_utt(m_frontEnd, last.data(), &lastFrames) == 0 && lastFrames > 0)
        addFrame(last.data());
    // The last frames get the mean of the whole reading.
    if (!m_failed) {
        while (m_ready < qsizetype(m_pending.size()) / m_width)
            normalise(m_ready++);
        decodeReady();
    }
    m_started = false;
    if (m_failed) {
        ps_end_utt(m_decoder);
        return std::nullopt;
    }
    // The best path so far, wherever it ends: should no path reach the end
    // of the text at the last frame (the reading went where the beams did
    // not follow), the words beyond where this one ends count as not said.
    const QList<Segment> partial = segments();
    if (ps_end_utt(m_decoder) < 0)
        return std::nullopt;
    int32 total = 0;
    const bool complete = ps_get_hyp(m_decoder, &total) != nullptr;
    const QList<Segment> said = complete ? segments() : partial;

    // The grammar is a chain: walk it along the decoded words. Something
    // else and a skip come to the same for the learner, so where the two
    // cannot be told apart it does not matter which was taken.
    QList<WordFinding> findings;
    qsizetype at = 0;
    for (const SpokenWord &word : std::as_const(m_words)) {
        WordFinding finding;
        if (!word.scored())
            finding.path = WordFinding::NotListened;
        qsizetype bestLength = 0;
        for (const QByteArrayList &reading : word.readings) {
            if (reading.size() <= bestLength || at + reading.size() > said.size())
                continue;
            bool match = true;
            for (qsizetype w = 0; w < reading.size() && match; ++w)
                match = said[at + w].word == reading[w];
            if (match)
                bestLength = reading.size();
        }
        if (bestLength > 0) {
            finding.path = WordFinding::Said;
            for (qsizetype w = 0; w < bestLength; ++w) {
                finding.frames += said[at + w].frames;
                finding.score += said[at + w].score;
            }
            at += bestLength;
        } else {
            while (at < said.size() && said[at].word.startsWith(kSoundPrefix))
                ++at;
        }
        findings << finding;
    }
    return findings;
}
