// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessons/lessonsource.h"

#include "base/errors.h"
#include "lessons/lessonconnection.h"
#include "lessons/rowstream.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>

#include <signal.h>
#include <unistd.h>

namespace {

// Rows of all lessons together stay far below this; more means a runaway reader.
constexpr qsizetype kMaxReaderOutput = qsizetype(256) * 1024 * 1024;

AppError damaged(const QString &fileName, const QString &why)
{
    return AppError(
        LessonConnection::tr("The lesson file '%1' is damaged and cannot be read (%2).").arg(fileName, why));
}

// Ends the reader and everything it started, and reaps it.
void stopReader(QProcess &process)
{
    const qint64 pid = process.processId();
    if (pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
    process.kill();
    process.waitForFinished(10000);
}

RowStream runReader(const QString &program, int timeLimitMs, const QString &fileName)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(QStringList{fileName} + LessonConnection::lessonTables());
    process.setStandardInputFile(QProcess::nullDevice());
    // Its own process group, so that a time-out also ends whatever it started.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });

    // Blocking waits only: no event loop may run (and no timer tick land) while a lesson opens.
    const QDeadlineTimer deadline(timeLimitMs);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(int(qMax<qint64>(deadline.remainingTime(), 1)))) {
        const QString why = process.errorString();
        stopReader(process);
        throw AppError(
            LessonConnection::tr("The lesson file '%1' cannot be read: the reader '%2' did not start (%3).")
                .arg(fileName, program, why));
    }

    QByteArray output;
    while (process.state() != QProcess::NotRunning) {
        if (deadline.hasExpired()) {
            stopReader(process);
            throw damaged(fileName,
                          LessonConnection::tr("the reader did not finish within %1 ms").arg(timeLimitMs));
        }
        process.waitForFinished(int(qBound(qint64(1), deadline.remainingTime(), qint64(100))));
        output += process.readAllStandardOutput();
        process.readAllStandardError();
        if (output.size() > kMaxReaderOutput) {
            stopReader(process);
            throw damaged(fileName, LessonConnection::tr("the reader gave too much output"));
        }
    }
    output += process.readAllStandardOutput();

    if (process.exitStatus() != QProcess::NormalExit)
        throw damaged(fileName, LessonConnection::tr("the reader crashed"));
    if (process.exitCode() != 0)
        throw damaged(fileName,
                      LessonConnection::tr("the reader failed with exit code %1").arg(process.exitCode()));

    RowStream stream;
    QString why;
    if (!parseRowStream(output, &stream, &why))
        throw damaged(fileName, LessonConnection::tr("the reader's answer is malformed: %1").arg(why));
    if (!stream.readerError.isEmpty())
        throw damaged(fileName, readerText(stream.readerError));
    return stream;
}

std::shared_ptr<LessonSnapshot> snapshotOf(const QString &fileName, const RowStream &stream)
{
    auto snapshot = std::make_shared<LessonSnapshot>(fileName);
    snapshot->addTables(stream.tables);
    snapshot->seal();
    return snapshot;
}

} // namespace

ReaderLessonSource::ReaderLessonSource(QString readerProgram, int readTimeLimitMs)
    : m_readerProgram(std::move(readerProgram))
    , m_readTimeLimitMs(qMax(1, readTimeLimitMs))
{}

QString ReaderLessonSource::defaultReaderProgram()
{
    return QCoreApplication::applicationDirPath() + QLatin1String("/daro-lessons-read");
}

std::shared_ptr<const LessonSnapshot> ReaderLessonSource::load(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        throw AppError(LessonConnection::tr("The lesson file '%1' was not found.").arg(fileName));
    if (!info.isFile() || !info.isReadable())
        throw AppError(
            LessonConnection::tr("The lesson file '%1' cannot be opened for reading.").arg(fileName));

    // Snapshots are shared only while some connection holds them, and only for
    // the very same file state.
    const QString key = info.canonicalFilePath() + QLatin1Char('\n') + QString::number(info.size()) +
                        QLatin1Char('\n') + QString::number(info.lastModified().toMSecsSinceEpoch());
    if (auto it = m_shared.find(key); it != m_shared.end()) {
        if (auto snapshot = it->second.lock())
            return snapshot;
        m_shared.erase(it);
    }
    std::shared_ptr<const LessonSnapshot> snapshot =
        snapshotOf(fileName, runReader(m_readerProgram, m_readTimeLimitMs, fileName));
    m_shared[key] = snapshot;
    return snapshot;
}
