// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <vector>

class AppError;
struct sqlite3;
struct sqlite3_stmt;
struct TableRows;

// The rows a command text selected, in the order the query gave them.
struct LessonResult
{
    QStringList columns;
    std::vector<QStringList> rows;
};

// The tables of one lesson file, copied into an in-memory SQLite database so
// that command texts run on them as written. NUMBER compares and sorts without
// regard to ASCII case, as the lesson files expect. Once sealed the snapshot
// only answers queries; nothing can change it.
//
// Errors are raised as AppError; their texts name the lesson file given at
// construction. A snapshot may be built on one thread and queried on another,
// never on two at once.
class LessonSnapshot
{
    Q_DECLARE_TR_FUNCTIONS(LessonSnapshot)

public:
    explicit LessonSnapshot(const QString &fileName);
    ~LessonSnapshot();
    LessonSnapshot(const LessonSnapshot &) = delete;
    LessonSnapshot &operator=(const LessonSnapshot &) = delete;

    // Every row must have one value per column. Tables are kept in the order of
    // their rows, which a query without an ORDER BY clause returns.
    void addTable(const QString &name, const QStringList &columns, const std::vector<QStringList> &rows);
    // A table the file has but that could not be read, and why (untranslated,
    // as the reader reports it): a query on it fails saying so, while the
    // other tables serve as usual.
    void addUnreadableTable(const QString &name, const QString &why);
    // The tables a reader found; a table the file lacks stays out, so that a
    // query on it says so. A table that could not be read, or whose column
    // list is unusable, is added as unreadable.
    void addTables(const std::vector<TableRows> &tables);
    // The same, table by table while a reader's stream is checked: a table
    // begins (one whose column list is unusable is added as unreadable, its
    // rows passed over), then its rows follow as UTF-8. It is complete when
    // another table comes or the snapshot is sealed.
    void beginTable(const QString &name, const QStringList &columns);
    void addRow(const QByteArrayView *values, qsizetype count);
    // Makes the snapshot read-only; queries may run only after this.
    void seal();

    QString fileName() const { return m_fileName; }
    bool hasTable(const QString &name) const;
    QStringList tableNames() const;
    QStringList columns(const QString &table) const;

    // Runs one SELECT statement. A missing table or column gets a message naming it.
    LessonResult query(const QString &sql) const;

private:
    [[noreturn]] void raiseQueryError(const QString &sql) const;
    void exec(const char *sql);
    bool canAdd(const QString &name) const;
    void startTable(const QString &name, const QStringList &columns);
    void insertRow(const QByteArrayView *values);
    void completeTable();
    void abandonTable();
    AppError damagedTable();

    struct Table
    {
        QString name;
        QStringList columns;
    };
    struct Unreadable
    {
        QString name;
        QString why;
    };

    QString m_fileName;
    sqlite3 *m_db = nullptr;
    std::vector<Table> m_tables;
    std::vector<Unreadable> m_unreadable;
    // The table being filled, and the statement that inserts its rows.
    Table m_filling;
    sqlite3_stmt *m_insert = nullptr;
    bool m_passOverRows = false;
    bool m_sealed = false;
    // The last query's text and rows: the data sets that open together ask
    // the same question, and the snapshot cannot change its answer.
    mutable QString m_lastSql;
    mutable LessonResult m_lastResult;
};
