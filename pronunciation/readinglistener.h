// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pronunciation/typedwords.h"

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

class QObject;

// What the recogniser made of one typed word in the learner's reading.
enum class WordHeard {
    Heard,
    Missed,   // skipped, or too unlike the word to count as it
    Unscored, // no reliable pronunciation to compare with
};

struct HeardWord
{
    TypedWord word;
    WordHeard heard = WordHeard::Unscored;
};

// The outcome of listening to one recording.
struct ReadingCheck
{
    QString text;           // the typed text the recording was checked against
    QList<HeardWord> words; // every word of typedWords(text), in order
    bool ok = false;        // false: no model, or the analysis failed; no words then
};

// Listens to the learner's reading while it is recorded, off the window's
// thread, and tells which typed words it could not find in it.
class ReadingListener
{
public:
    virtual ~ReadingListener() = default;

    // A recording of `text` begins, and ends any earlier one unreported. The
    // first call loads the model in the background.
    virtual void begin(const QString &text) = 0;
    // The recording's sound as it arrives: 16-bit signed mono samples, `rate`
    // per second. Called on the capture's thread; returns at once.
    virtual void feed(const qint16 *samples, qsizetype count, quint32 rate) = 0;
    // The recording ended; `text` is what the learner's box holds now, which
    // may differ from the text at begin(). `done` runs once, on `context`'s
    // thread, unless cancel() or begin() comes first or `context` is gone.
    virtual void finish(const QString &text, QObject *context,
                        std::function<void(const ReadingCheck &)> done) = 0;
    // The recording was abandoned: nothing more is reported for it.
    virtual void cancel() = 0;
};

// The listener the program uses (pocketsphinx with its American English
// model). Making it costs nothing: it loads its model at the first begin().
std::unique_ptr<ReadingListener> makeReadingListener();
