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
class ReaderLessonSource : public LessonSource
{
public:
    static constexpr int kDefaultReadTimeLimitMs = 5000;

    // The reader is killed, and the file taken as damaged, after the time limit.
    explicit ReaderLessonSource(QString readerProgram = defaultReaderProgram(),
                                int readTimeLimitMs = kDefaultReadTimeLimitMs);

    std::shared_ptr<const LessonSnapshot> load(const QString &fileName) override;

    QString readerProgram() const { return m_readerProgram; }
    int readTimeLimitMs() const { return m_readTimeLimitMs; }

    // daro-lessons-read beside the executable.
    static QString defaultReaderProgram();

private:
    QString m_readerProgram;
    int m_readTimeLimitMs;
    std::map<QString, std::weak_ptr<const LessonSnapshot>> m_shared;
};
