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
// The file is read by the reader program in a child process, so that a damaged
// file can at worst kill that process; its rows come back over a pipe and are
// kept as a snapshot from the first successful open for the connection's life.
// Connections that read the same unchanged file share one snapshot, which
// nothing can modify.
class LessonConnection
{
    Q_DECLARE_TR_FUNCTIONS(LessonConnection)

public:
    explicit LessonConnection(const QString &connectionString);

    QString connectionString() const { return m_connectionString; }
    // The Data Source item as written in the connection string.
    QString dataSource() const { return m_dataSource; }
    // Where that file lives on this system (looked up again at each open until
    // one succeeds); empty when it has no place here.
    QString fileName() const { return m_fileName; }

    // Loads the snapshot unless it is there already. Raises AppError on failure;
    // the next open then tries again.
    void open();
    bool isLoaded() const { return m_snapshot != nullptr; }
    // Runs a command text on the loaded snapshot.
    LessonResult execute(const QString &sql) const;

    // The tables a lesson file is read for.
    static QStringList lessonTables();

    // The reader program, by default daro-lessons beside the executable.
    static QString readerProgram();
    static void setReaderProgram(const QString &path);
    // How long the reader may take before it is killed and the file is taken as damaged.
    static int readTimeLimitMs();
    static void setReadTimeLimitMs(int ms);

    // Reads a lesson file through the reader program (or takes the snapshot of
    // the same file that another connection holds). Raises AppError.
    static std::shared_ptr<const LessonSnapshot> load(const QString &fileName);

private:
    void locateFile();

    QString m_connectionString;
    QString m_dataSource;
    QString m_fileName;
    std::shared_ptr<const LessonSnapshot> m_snapshot;
};
