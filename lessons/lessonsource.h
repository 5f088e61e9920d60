// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lessons/lessonsnapshot.h"

#include <QString>

#include <map>
#include <memory>

// Where the data sets get the rows of a lesson file from: a platform service,
// like speech and capture, with the reader program behind it in the program
// and rows from memory in tests.
class LessonSource
{
public:
    virtual ~LessonSource() = default;

    // The snapshot of a lesson file, read now or handed over from a read the
    // source began earlier. Raises AppError with a text naming the file.
    virtual std::shared_ptr<const LessonSnapshot> load(const QString &fileName) = 0;
};

// Reads a lesson file with the reader program in a child process, so that a
// damaged file can at worst kill that process; the rows come back over a pipe.
// A snapshot is shared by everyone who asks for the very same file state while
// someone still holds it.
//
// The file can be read ahead, on a thread, while the program does other work;
// the first load() takes that read if the file is still in the state it was
// in when the read began (same place, inode, size and modification time), and
// raises its failure then, worded as a read at that moment would word it.
class ReaderLessonSource : public LessonSource
{
public:
    static constexpr int kDefaultReadTimeLimitMs = 5000;

    // The reader is killed, and the file taken as damaged, after the time limit.
    explicit ReaderLessonSource(QString readerProgram = defaultReaderProgram(),
                                int readTimeLimitMs = kDefaultReadTimeLimitMs);
    ~ReaderLessonSource() override;
    ReaderLessonSource(const ReaderLessonSource &) = delete;
    ReaderLessonSource &operator=(const ReaderLessonSource &) = delete;

    std::shared_ptr<const LessonSnapshot> load(const QString &fileName) override;

    // Starts reading a lesson file on a thread of its own; this may happen
    // before the application object exists. A file that is not there is not
    // read: the load reports it. A first query, when given, is answered on
    // that thread too, so that the data set that asks it first finds it ready.
    void readAhead(const QString &fileName, const QString &firstQuery = {});
    // Returns once a read begun by readAhead() has finished.
    void waitForReadAhead();

    QString readerProgram() const { return m_readerProgram; }
    int readTimeLimitMs() const { return m_readTimeLimitMs; }

    // daro-lessons-read beside the executable.
    static QString defaultReaderProgram();

private:
    struct Outcome;
    struct Ahead;

    static Outcome read(const QString &program, int timeLimitMs, const QString &fileName);
    void raise(const Outcome &outcome, const QString &fileName) const;

    QString m_readerProgram;
    int m_readTimeLimitMs;
    std::map<QString, std::weak_ptr<const LessonSnapshot>> m_shared;
    std::unique_ptr<Ahead> m_ahead;
};
