// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/childprocesses.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <signal.h>
#include <unistd.h>

namespace {

// The fields of /proc/PID/stat after "pid (name) ": the name may hold
// anything, so they are read from its end.
QList<QByteArray> statFields(const QString &pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2).split(' ');
}

} // namespace

QList<ChildProcess> childProcesses()
{
    QList<ChildProcess> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        const QList<QByteArray> fields = statFields(entry);
        if (fields.size() > 1 && fields.at(1).toLongLong() == qint64(::getpid()))
            children << ChildProcess{pid, fields.at(0).isEmpty() ? '?' : fields.at(0).at(0)};
    }
    return children;
}

QList<qint64> ownChildren()
{
    QList<qint64> pids;
    for (const ChildProcess &child : childProcesses())
        pids << child.pid;
    return pids;
}

bool processGone(qint64 pid)
{
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return true;
    const QList<QByteArray> fields = statFields(QString::number(pid));
    return fields.isEmpty() || fields.at(0).startsWith('Z');
}
