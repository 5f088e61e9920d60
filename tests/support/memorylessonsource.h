// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lessons/lessonsource.h"
#include "lessons/rowstream.h"

#include <QStringList>

#include <map>
#include <vector>

// Serves lesson files from memory, without a reader process: each file name
// has the tables it was given; any other name is not found, in the words the
// real source uses. Every load builds a fresh snapshot.
class MemoryLessonSource : public LessonSource
{
public:
    void addFile(const QString &fileName, std::vector<TableRows> tables);
    std::shared_ptr<const LessonSnapshot> load(const QString &fileName) override;

    // The file names asked for, in order.
    QStringList loads;

private:
    std::map<QString, std::vector<TableRows>> m_files;
};

// A lesson table of NUMBER, ENGLISH and CHINESE columns.
TableRows lessonTable(const QString &name, std::vector<QStringList> rows);
