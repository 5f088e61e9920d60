// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessons/lessonsource.h"

#include "base/errors.h"
#include "base/winpath.h"
#include "lessons/lessonconnection.h"
#include "lessons/rowstream.h"
#include "lessons/snapshotfiller.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char **environ;

namespace {

// Rows of all lessons together stay far below this; more means a runaway reader.
constexpr qsizetype kMaxReaderOutput = qsizetype(256) * 1024 * 1024;
// The pipe is read in large pieces: a 10,000-row file is about a megabyte.
constexpr size_t kReadPiece = 256 * 1024;

AppError damaged(const QString &fileName, const QString &why)
{
    return AppError(
        LessonConnection::tr("The lesson file '%1' is damaged and cannot be read (%2).").arg(fileName, why));
}

// The file state a snapshot stands for: a file replaced, rewritten or touched
// is another state. Empty when the file cannot be looked at.
QString stateKey(const QString &fileName)
{
    struct stat st;
    if (::stat(QFile::encodeName(fileName).constData(), &st) != 0)
        return {};
    return QFileInfo(fileName).canonicalFilePath() + QLatin1Char('\n') +
           QStringLiteral("%1:%2 %3 %4.%5")
               .arg(quint64(st.st_dev))
               .arg(quint64(st.st_ino))
               .arg(qint64(st.st_size))
               .arg(qint64(st.st_mtim.tv_sec))
               .arg(qint64(st.st_mtim.tv_nsec));
}

// Ends the reader and everything it started, and reaps it.
void stopReader(pid_t pid)
{
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

// How a read ended, in words not yet translated: a read may run before the
// translators are installed, and on a thread of its own.
struct ReaderLessonSource::Outcome
{
    enum class Failure {
        None,
        NotStarted,
        TimedOut,
        TooMuchOutput,
        Crashed,
        ExitCode,
        Malformed,
        ReaderError,
        Snapshot
    };
    Failure failure = Failure::None;
    QString text;
    int number = 0;
    std::shared_ptr<LessonSnapshot> snapshot;
};

// A read begun before anyone asked for the file.
struct ReaderLessonSource::Ahead
{
    QString fileName;
    QString key;
    Outcome outcome;
    std::thread thread;
};

ReaderLessonSource::Outcome ReaderLessonSource::read(const QString &program, int timeLimitMs,
                                                     const QString &fileName)
{
    Outcome outcome;
    const auto fail = [&outcome](Outcome::Failure failure, QString text = {}, int number = 0) {
        outcome.failure = failure;
        outcome.text = std::move(text);
        outcome.number = number;
        return outcome;
    };

    const QByteArray programPath = QFile::encodeName(program);
    std::vector<QByteArray> arguments{programPath, QFile::encodeName(fileName)};
    for (const QString &table : LessonConnection::lessonTables())
        arguments.push_back(table.toUtf8());
    std::vector<char *> argv;
    for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return fail(Outcome::Failure::NotStarted, QString::fromLocal8Bit(std::strerror(errno)));
    int readFd = pipeFds[0];
    int writeFd = pipeFds[1];

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeFd, 1);
    // What the reader says for people has no reader here.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own process group, so that a time-out also ends whatever it started.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    const QDeadlineTimer deadline(timeLimitMs);
    pid_t pid = -1;
    const int spawned =
        ::posix_spawn(&pid, programPath.constData(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    closeFd(writeFd);
    if (spawned != 0) {
        closeFd(readFd);
        return fail(Outcome::Failure::NotStarted, QString::fromLocal8Bit(std::strerror(spawned)));
    }

    // The stream is checked, and the snapshot filled, as the pipe is drained.
    SnapshotFiller filler(fileName);
    RowStreamParser parser(filler);
    bool valid = true;
    qsizetype total = 0;
    std::vector<char> piece(kReadPiece);
    while (readFd >= 0) {
        if (deadline.hasExpired()) {
            closeFd(readFd);
            stopReader(pid);
            return fail(Outcome::Failure::TimedOut, {}, timeLimitMs);
        }
        pollfd ready{readFd, POLLIN, 0};
        if (::poll(&ready, 1, int(qBound(qint64(1), deadline.remainingTime(), qint64(1000)))) <= 0)
            continue;
        const ssize_t got = ::read(readFd, piece.data(), piece.size());
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0) {
            closeFd(readFd);
            break;
        }
        total += got;
        if (total > kMaxReaderOutput) {
            closeFd(readFd);
            stopReader(pid);
            return fail(Outcome::Failure::TooMuchOutput);
        }
        if (valid)
            valid = parser.feed(QByteArrayView(piece.data(), got));
    }

    // The pipe is closed; the reader may still linger.
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR)
            return fail(Outcome::Failure::Crashed);
        if (deadline.hasExpired()) {
            stopReader(pid);
            return fail(Outcome::Failure::TimedOut, {}, timeLimitMs);
        }
        const timespec pause{0, 200 * 1000};
        ::nanosleep(&pause, nullptr);
    }

    if (!WIFEXITED(status))
        return fail(Outcome::Failure::Crashed);
    if (WEXITSTATUS(status) != 0)
        return fail(Outcome::Failure::ExitCode, {}, WEXITSTATUS(status));
    if (!valid || !parser.finish())
        return fail(Outcome::Failure::Malformed, parser.why());
    if (!filler.readerError().isEmpty())
        return fail(Outcome::Failure::ReaderError, filler.readerError());
    outcome.snapshot = filler.finish();
    if (!outcome.snapshot)
        return fail(Outcome::Failure::Snapshot, filler.failure());
    return outcome;
}

void ReaderLessonSource::raise(const Outcome &outcome, const QString &fileName) const
{
    switch (outcome.failure) {
    case Outcome::Failure::None:
        return;
    case Outcome::Failure::NotStarted:
        throw AppError(
            LessonConnection::tr("The lesson file '%1' cannot be read: the reader '%2' did not start (%3).")
                .arg(fileName, m_readerProgram, outcome.text));
    case Outcome::Failure::TimedOut:
        throw damaged(fileName,
                      LessonConnection::tr("the reader did not finish within %1 ms").arg(outcome.number));
    case Outcome::Failure::TooMuchOutput:
        throw damaged(fileName, LessonConnection::tr("the reader gave too much output"));
    case Outcome::Failure::Crashed:
        throw damaged(fileName, LessonConnection::tr("the reader crashed"));
    case Outcome::Failure::ExitCode:
        throw damaged(fileName,
                      LessonConnection::tr("the reader failed with exit code %1").arg(outcome.number));
    case Outcome::Failure::Malformed:
        throw damaged(fileName,
                      LessonConnection::tr("the reader's answer is malformed: %1").arg(outcome.text));
    case Outcome::Failure::ReaderError:
        throw damaged(fileName, readerText(outcome.text));
    case Outcome::Failure::Snapshot:
        throw AppError(outcome.text);
    }
}

ReaderLessonSource::ReaderLessonSource(QString readerProgram, int readTimeLimitMs)
    : m_readerProgram(std::move(readerProgram))
    , m_readTimeLimitMs(qMax(1, readTimeLimitMs))
{}

ReaderLessonSource::~ReaderLessonSource()
{
    waitForReadAhead();
}

QString ReaderLessonSource::defaultReaderProgram()
{
    return programDir() + QLatin1String("/daro-lessons-read");
}

void ReaderLessonSource::readAhead(const QString &fileName, const QString &firstQuery)
{
    waitForReadAhead();
    m_ahead = std::make_unique<Ahead>();
    m_ahead->fileName = fileName;
    // A file that is not there now is reported when it is asked for.
    m_ahead->key = stateKey(fileName);
    if (m_ahead->key.isEmpty())
        return;
    Ahead *ahead = m_ahead.get();
    ahead->thread = std::thread([ahead, firstQuery, program = m_readerProgram, limit = m_readTimeLimitMs] {
        ahead->outcome = read(program, limit, ahead->fileName);
        // A failure of the query is the data set's to raise, when it asks.
        if (ahead->outcome.snapshot && !firstQuery.isEmpty()) {
            try {
                ahead->outcome.snapshot->query(firstQuery);
            } catch (const AppError &) {
            }
        }
    });
}

void ReaderLessonSource::waitForReadAhead()
{
    if (m_ahead && m_ahead->thread.joinable())
        m_ahead->thread.join();
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
    const QString key = stateKey(fileName);
    if (auto it = m_shared.find(key); it != m_shared.end()) {
        if (auto snapshot = it->second.lock())
            return snapshot;
        m_shared.erase(it);
    }

    // The first load takes what was read ahead, if that was this very file state.
    std::optional<Outcome> outcome;
    if (m_ahead) {
        waitForReadAhead();
        const std::unique_ptr<Ahead> ahead = std::move(m_ahead);
        // A damaged snapshot's text was written before the translators may have
        // been installed; reading again words it for the learner.
        if (!key.isEmpty() && ahead->key == key && ahead->outcome.failure != Outcome::Failure::Snapshot)
            outcome = std::move(ahead->outcome);
    }
    if (!outcome)
        outcome = read(m_readerProgram, m_readTimeLimitMs, fileName);
    raise(*outcome, fileName);
    m_shared[key] = outcome->snapshot;
    return outcome->snapshot;
}
