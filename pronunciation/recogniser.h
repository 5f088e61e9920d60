// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pronunciation/spokenwords.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

struct ps_decoder_s;
struct fe_s;

// Where the recogniser's acoustic model and pronouncing dictionary are.
struct RecogniserModel
{
    QString acousticModel; // a directory
    QString dictionary;

    // pocketsphinx-en-us, American English.
    static RecogniserModel installed()
    {
        const QString root = QStringLiteral("/usr/share/pocketsphinx/model/en-us");
        return {root + QStringLiteral("/en-us"), root + QStringLiteral("/cmudict-en-us.dict")};
    }
};

// How the recogniser decodes a reading.
struct RecogniserSettings
{
    // Of leaving out a word, and of saying something else in its place,
    // before the language weight.
    double skip = 3e-4;
    double other = 3e-4;
    // Of each further sound of something else.
    double otherGoesOn = 0.5;
    // Of saying the word with one of the sounds Chinese learners most often
    // put for another (l for r, w for v, s for th, ...).
    double nearMiss = 3e-4;
    // Of silence and of noises between words.
    double silence = 0.005;
    double noise = 1e-8;
    // Scales the grammar's log probabilities against the acoustic scores.
    double languageWeight = 7.5;
    // Wide, so that a reading far from the grammar's likely paths still ends
    // in its final state.
    double beam = 1e-80;
    double wordBeam = 1e-60;
    // Frames (10 ms) the decoder stays behind the sound, so that the mean
    // taken out of every frame's spectrum is that of the sound around it too.
    int lookahead = 50;
};

// What the recogniser found where one typed word was to be said.
struct WordFinding
{
    enum Path {
        Said,        // the path through the word
        Skipped,     // nothing, or something other than the word
        NotListened, // the word was not scored
    };
    Path path = Skipped;
    // For a word said: the frames (10 ms) it took, and its acoustic score
    // over them, each frame's relative to the best-scoring sound of that
    // frame (so 0 at best, lower the less it sounded like the word).
    int frames = 0;
    qint64 score = 0;

    double scorePerFrame() const { return frames > 0 ? double(score) / frames : 0.0; }
};

// pocketsphinx decoding one reading at a time against a grammar made from
// the typed words: at each word the word itself, or nothing, or any
// sequence of sounds, with silence and noises allowed between words. Not
// thread-safe: one thread at a time.
class Recogniser
{
public:
    // The rate of the samples it takes.
    static constexpr int kRate = 16000;

    // Loads the model: a tenth of a second and some tens of megabytes.
    // Null, with the reason in `error`, when it cannot.
    static std::unique_ptr<Recogniser> load(const RecogniserModel &model, const RecogniserSettings &settings,
                                            QString *error);
    ~Recogniser();
    Recogniser(const Recogniser &) = delete;
    Recogniser &operator=(const Recogniser &) = delete;

    bool knows(const QByteArray &word) const;
    DictionaryLookup lookup() const;

    // Starts a reading of these words; false when the grammar cannot be made.
    bool start(const QList<SpokenWord> &words);
    // Decodes 16-bit mono samples at kRate.
    bool process(const qint16 *samples, qsizetype count);
    // Ends the reading: what was found at each word, in order; nullopt when
    // the decoder failed.
    std::optional<QList<WordFinding>> finish();

private:
    // One decoded word and where it lies.
    struct Segment
    {
        QByteArray word;
        int frames = 0;
        qint64 score = 0;
    };

    Recogniser(ps_decoder_s *decoder, fe_s *frontEnd, const RecogniserSettings &settings);
    bool addSoundWords();
    QByteArrayList nearMisses(const QByteArray &word);
    void addFrame(const float *frame);
    void normalise(qsizetype pendingFrame);
    void decodeReady();
    QList<Segment> segments() const;

    ps_decoder_s *m_decoder;
    fe_s *m_frontEnd;
    RecogniserSettings m_settings;
    QList<SpokenWord> m_words;
    QByteArrayList m_soundWords;
    bool m_started = false;
    bool m_failed = false;
    // The reading's frames not yet decoded, the first m_ready of them with
    // their mean taken out, and the sum of all its frames.
    int m_width = 0;
    std::vector<float> m_pending;
    qsizetype m_ready = 0;
    std::vector<double> m_sum;
    qint64 m_frames = 0;
    std::vector<float> m_block;
    std::vector<float *> m_rows;
};
