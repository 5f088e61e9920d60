// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessons/lessonconnection.h"

#include "base/errors.h"
#include "base/winpath.h"
#include "lessons/lessonsource.h"

#include <QDir>

namespace {

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

} // namespace

LessonConnection::LessonConnection(const QString &connectionString, std::shared_ptr<LessonSource> source)
    : m_connectionString(connectionString)
    , m_dataSource(itemValue(connectionString, QLatin1String("Data Source")))
    , m_source(std::move(source))
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
    m_snapshot = m_source->load(m_fileName);
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
