// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessons/lessonconnection.h"

#include "base/errors.h"
#include "base/winpath.h"
#include "lessons/rowstream.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <map>

#include <signal.h>
#include <unistd.h>

namespace {

QString g_readerProgram;
int g_readTimeLimitMs = 5000;

// Rows of all lessons together stay far below this; more means a runaway reader.
constexpr qsizetype kMaxReaderOutput = qsizetype(256) * 1024 * 1024;

AppError damaged(const QString &fileName, const QString &why)
{
    return AppError(
        LessonConnection::tr("The lesson file '%1' is damaged and cannot be read (%2).").arg(fileName, why));
}

QString itemValue(const QString &connectionString, QLatin1String key)
{
    const QStringList items = connectionString.split(QLatin1Char(';'));
    for (const QString &item : items) {
        const qsizetype equals = item.indexOf(QLatin1Char('='));
        if (equals > 0 && item.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return item.mid(equals + 1).trimmed();
    }
    return {};
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

RowStream runReader(const QString &fileName)
{
    const QString program = LessonConnection::readerProgram();
    QProcess process;
    process.setProgram(program);
    process.setArguments(QStringList{QStringLiteral("read"), fileName} + LessonConnection::lessonTables());
    process.setStandardInputFile(QProcess::nullDevice());
    // Its own process group, so that a time-out also ends whatever it started.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });

    // Blocking waits only: no event loop may run (and no timer tick land) while a lesson opens.
    const QDeadlineTimer deadline(LessonConnection::readTimeLimitMs());
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
            throw damaged(fileName, LessonConnection::tr("the reader did not finish within %1 ms")
                                        .arg(LessonConnection::readTimeLimitMs()));
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
        throw damaged(fileName, stream.readerError);
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

LessonConnection::LessonConnection(const QString &connectionString)
    : m_connectionString(connectionString)
    , m_dataSource(itemValue(connectionString, QLatin1String("Data Source")))
{
    locateFile();
}

void LessonConnection::locateFile()
{
    m_fileName = localPath(m_dataSource);
    // A plain local path also works, which lets tests point a data set at their own files.
    if (m_fileName.isEmpty() && m_dataSource.startsWith(QLatin1Char('/')))
        m_fileName = QDir::cleanPath(m_dataSource);
}

void LessonConnection::open()
{
    if (m_snapshot)
        return;
    // Looked up again: a lesson file put in place after a failed open is found.
    locateFile();
    if (m_fileName.isEmpty())
        throw AppError(tr("The lesson file '%1' was not found.").arg(m_dataSource));
    m_snapshot = load(m_fileName);
}

LessonResult LessonConnection::execute(const QString &sql) const
{
    if (!m_snapshot)
        throw AppError(tr("The lesson file '%1' is not open.").arg(m_fileName));
    return m_snapshot->query(sql);
}

QStringList LessonConnection::lessonTables()
{
    return {QStringLiteral("Razorud365"), QStringLiteral("Durizez900")};
}

QString LessonConnection::readerProgram()
{
    if (!g_readerProgram.isEmpty())
        return g_readerProgram;
    return QCoreApplication::applicationDirPath() + QLatin1String("/daro-lessons");
}

void LessonConnection::setReaderProgram(const QString &path)
{
    g_readerProgram = path;
}

int LessonConnection::readTimeLimitMs()
{
    return g_readTimeLimitMs;
}

void LessonConnection::setReadTimeLimitMs(int ms)
{
    g_readTimeLimitMs = qMax(1, ms);
}

std::shared_ptr<const LessonSnapshot> LessonConnection::load(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        throw AppError(tr("The lesson file '%1' was not found.").arg(fileName));
    if (!info.isFile() || !info.isReadable())
        throw AppError(tr("The lesson file '%1' cannot be opened for reading.").arg(fileName));

    // Snapshots are shared only while some connection holds them, and only for
    // the very same file state.
    static std::map<QString, std::weak_ptr<const LessonSnapshot>> shared;
    const QString key = info.canonicalFilePath() + QLatin1Char('\n') + QString::number(info.size()) +
                        QLatin1Char('\n') + QString::number(info.lastModified().toMSecsSinceEpoch());
    if (auto it = shared.find(key); it != shared.end()) {
        if (auto snapshot = it->second.lock())
            return snapshot;
        shared.erase(it);
    }
    std::shared_ptr<const LessonSnapshot> snapshot = snapshotOf(fileName, runReader(fileName));
    shared[key] = snapshot;
    return snapshot;
}
