// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lessons/lessonsnapshot.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <memory>

// One data set's connection to the lesson file named by the Data Source item
// of its connection string. The file is only ever read, whatever the string's
// Mode says.
//
// The file's rows come from the lesson source and are kept as a snapshot from
// the first successful open for the connection's life; nothing can modify it.
class LessonSource;

class LessonConnection
{
    Q_DECLARE_TR_FUNCTIONS(LessonConnection)

public:
    LessonConnection(const QString &connectionString, std::shared_ptr<LessonSource> source);

    QString connectionString() const { return m_connectionString; }
    // The Data Source item as written in the connection string.
    QString dataSource() const { return m_dataSource; }
    // Where that file lives on this system (looked up again at each open until
    // one succeeds); empty when it has no place here.
    QString fileName() const { return m_fileName; }

    // Loads the snapshot from the source unless it is there already. Raises AppError on failure;
    // the next open then tries again.
    void open();
    bool isLoaded() const { return m_snapshot != nullptr; }
    // Runs a command text on the loaded snapshot.
    LessonResult execute(const QString &sql) const;

    // The tables a lesson file is read for.
    static QStringList lessonTables();

private:
    void locateFile();

    QString m_connectionString;
    QString m_dataSource;
    QString m_fileName;
    std::shared_ptr<LessonSource> m_source;
    std::shared_ptr<const LessonSnapshot> m_snapshot;
};
