// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/memorylessonsource.h"

#include "base/errors.h"
#include "lessons/lessonconnection.h"

void MemoryLessonSource::addFile(const QString &fileName, std::vector<TableRows> tables)
{
    m_files[fileName] = std::move(tables);
}

std::shared_ptr<const LessonSnapshot> MemoryLessonSource::load(const QString &fileName)
{
    loads << fileName;
    const auto file = m_files.find(fileName);
    if (file == m_files.end())
        throw AppError(LessonConnection::tr("The lesson file '%1' was not found.").arg(fileName));
    auto snapshot = std::make_shared<LessonSnapshot>(fileName);
    snapshot->addTables(file->second);
    snapshot->seal();
    return snapshot;
}

TableRows lessonTable(const QString &name, std::vector<QStringList> rows)
{
    TableRows table;
    table.name = name;
    table.columns =
        QStringList{QStringLiteral("NUMBER"), QStringLiteral("ENGLISH"), QStringLiteral("CHINESE")};
    table.rows = std::move(rows);
    return table;
}
