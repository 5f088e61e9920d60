// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessons/lessonsnapshot.h"

#include "base/errors.h"
#include "lessons/rowstream.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <sqlite3.h>

#include <algorithm>
#include <memory>

namespace {

struct StatementDeleter
{
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

QString quoted(const QString &identifier)
{
    QString text = identifier;
    text.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString errorText(sqlite3 *db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

bool containsName(const QStringList &names, const QString &name)
{
    return names.contains(name, Qt::CaseInsensitive);
}

AppError damagedFile(const QString &fileName)
{
    return AppError(
        QCoreApplication::translate("LessonSnapshot", "The lesson file '%1' is damaged and cannot be read.")
            .arg(fileName));
}

// What makes a table's column list unusable, untranslated; empty when it is fine.
QString columnsProblem(const QStringList &columns)
{
    // Names go into SQL text, which a NUL would cut short.
    const QChar nul(u'\0');
    if (columns.isEmpty())
        return QStringLiteral(QT_TRANSLATE_NOOP("LessonSnapshot", "it has no columns"));
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (columns.at(i).isEmpty() || columns.at(i).contains(nul))
            return QStringLiteral(QT_TRANSLATE_NOOP("LessonSnapshot", "the name of a column is damaged"));
        for (qsizetype j = i + 1; j < columns.size(); ++j)
            if (columns.at(i).compare(columns.at(j), Qt::CaseInsensitive) == 0)
                return QStringLiteral(
                    QT_TRANSLATE_NOOP("LessonSnapshot", "two of its columns have the same name"));
    }
    return {};
}

// Why a table cannot be read, in the learner's language. Reasons are kept as
// given, the snapshot's own or the reader's, and translated only when shown:
// a snapshot may be built before the translators are installed.
QString shownReason(const QString &why)
{
    const QByteArray source = why.toUtf8();
    const QString own = QCoreApplication::translate("LessonSnapshot", source.constData());
    return own != why ? own : readerText(why);
}

} // namespace

LessonSnapshot::LessonSnapshot(const QString &fileName)
    : m_fileName(fileName)
{
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_MEMORY | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(":memory:", &m_db, flags, nullptr) != SQLITE_OK) {
        const QString why = m_db ? errorText(m_db) : QStringLiteral("out of memory");
        sqlite3_close(m_db);
        m_db = nullptr;
        throw AppError(tr("Cannot hold the lesson file '%1' in memory: %2.").arg(m_fileName, why));
    }
    // A double-quoted word must name a column, never silently turn into a string.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
}

LessonSnapshot::~LessonSnapshot()
{
    sqlite3_finalize(m_insert);
    sqlite3_close(m_db);
}

void LessonSnapshot::exec(const char *sql)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw AppError(
            tr("Cannot hold the lesson file '%1' in memory: %2.").arg(m_fileName, errorText(m_db)));
}

void LessonSnapshot::addTable(const QString &name, const QStringList &columns,
                              const std::vector<QStringList> &rows)
{
    completeTable();
    if (!canAdd(name) || !columnsProblem(columns).isEmpty())
        throw damagedFile(m_fileName);
    startTable(name, columns);
    std::vector<QByteArray> utf8(size_t(columns.size()));
    std::vector<QByteArrayView> values(utf8.size());
    for (const QStringList &row : rows) {
        if (row.size() != columns.size())
            throw damagedTable();
        for (size_t i = 0; i < utf8.size(); ++i) {
            utf8[i] = row.at(qsizetype(i)).toUtf8();
            values[i] = utf8[i];
        }
        insertRow(values.data());
    }
    completeTable();
}

void LessonSnapshot::beginTable(const QString &name, const QStringList &columns)
{
    completeTable();
    if (!canAdd(name))
        throw damagedFile(m_fileName);
    if (const QString problem = columnsProblem(columns); !problem.isEmpty()) {
        addUnreadableTable(name, problem);
        m_passOverRows = true;
        return;
    }
    startTable(name, columns);
}

void LessonSnapshot::addRow(const QByteArrayView *values, qsizetype count)
{
    if (m_passOverRows)
        return;
    if (!m_insert)
        throw damagedFile(m_fileName);
    if (count != m_filling.columns.size())
        throw damagedTable();
    insertRow(values);
}

void LessonSnapshot::startTable(const QString &name, const QStringList &columns)
{
    QStringList definitions;
    // Jet compares and sorts text without regard to case.
    for (const QString &column : columns)
        definitions << quoted(column) + QLatin1String(" TEXT COLLATE NOCASE");

    // The table comes whole or not at all: completeTable() commits it.
    exec("BEGIN");
    try {
        const QString create = QLatin1String("CREATE TABLE ") + quoted(name) + QLatin1String(" (") +
                               definitions.join(QLatin1String(", ")) + QLatin1Char(')');
        exec(create.toUtf8().constData());

        QStringList marks;
        for (qsizetype i = 0; i < columns.size(); ++i)
            marks << QStringLiteral("?");
        const QByteArray insertSql =
            (QLatin1String("INSERT INTO ") + quoted(name) + QLatin1String(" VALUES (") +
             marks.join(QLatin1Char(',')) + QLatin1Char(')'))
                .toUtf8();
        if (sqlite3_prepare_v2(m_db, insertSql.constData(), int(insertSql.size()), &m_insert, nullptr) !=
            SQLITE_OK)
            throw damagedFile(m_fileName);
    } catch (const AppError &) {
        abandonTable();
        throw;
    }
    m_filling = {name, columns};
}

void LessonSnapshot::insertRow(const QByteArrayView *values)
{
    static const char empty[] = "";
    const int count = int(m_filling.columns.size());
    for (int i = 0; i < count; ++i) {
        QByteArrayView value = values[i];
        // One leading U+FEFF is no part of the stored text: SQLite always took
        // it for a byte-order mark, and lessons sort and match without it.
        if (value.startsWith("\xEF\xBB\xBF"))
            value = value.sliced(3);
        // The value outlives the step, so SQLite may read the text where it is.
        sqlite3_bind_text(m_insert, i + 1, value.isEmpty() ? empty : value.data(), int(value.size()),
                          SQLITE_STATIC);
    }
    const int step = sqlite3_step(m_insert);
    sqlite3_reset(m_insert);
    if (step != SQLITE_DONE) {
        const QString why = errorText(m_db);
        abandonTable();
        throw AppError(tr("Cannot hold the lesson file '%1' in memory: %2.").arg(m_fileName, why));
    }
}

void LessonSnapshot::completeTable()
{
    m_passOverRows = false;
    if (!m_insert)
        return;
    sqlite3_finalize(m_insert);
    m_insert = nullptr;
    const Table table = std::move(m_filling);
    m_filling = {};
    try {
        // Lessons are selected and ordered by NUMBER. An index that holds every
        // column gives a lesson's rows in order without a sort or a look-up
        // per row; rows with equal numbers (which lesson files do not have)
        // follow the other columns.
        qsizetype number = -1;
        for (qsizetype i = 0; i < table.columns.size() && number < 0; ++i) {
            if (table.columns.at(i).compare(QLatin1String("NUMBER"), Qt::CaseInsensitive) == 0)
                number = i;
        }
        if (number >= 0) {
            QStringList indexed{quoted(table.columns.at(number))};
            for (qsizetype i = 0; i < table.columns.size(); ++i) {
                if (i != number)
                    indexed << quoted(table.columns.at(i));
            }
            const QString index = QLatin1String("CREATE INDEX ") +
                                  quoted(table.name + QLatin1String("\n#number")) + QLatin1String(" ON ") +
                                  quoted(table.name) + QLatin1String(" (") +
                                  indexed.join(QLatin1String(", ")) + QLatin1Char(')');
            exec(index.toUtf8().constData());
        }
        exec("COMMIT");
    } catch (const AppError &) {
        abandonTable();
        throw;
    }
    m_tables.push_back(table);
}

void LessonSnapshot::abandonTable()
{
    if (m_insert) {
        sqlite3_finalize(m_insert);
        m_insert = nullptr;
    }
    m_filling = {};
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

AppError LessonSnapshot::damagedTable()
{
    abandonTable();
    return damagedFile(m_fileName);
}

void LessonSnapshot::addUnreadableTable(const QString &name, const QString &why)
{
    completeTable();
    if (!canAdd(name) || why.isEmpty())
        throw damagedFile(m_fileName);
    m_unreadable.push_back({name, why});
}

void LessonSnapshot::addTables(const std::vector<TableRows> &tables)
{
    for (const TableRows &table : tables) {
        if (table.missing)
            continue;
        if (!table.unreadable.isEmpty()) {
            addUnreadableTable(table.name, table.unreadable);
            continue;
        }
        beginTable(table.name, table.columns);
        std::vector<QByteArray> utf8;
        std::vector<QByteArrayView> values;
        for (const QStringList &row : table.rows) {
            utf8.resize(size_t(row.size()));
            values.resize(utf8.size());
            for (size_t i = 0; i < utf8.size(); ++i) {
                utf8[i] = row.at(qsizetype(i)).toUtf8();
                values[i] = utf8[i];
            }
            addRow(values.data(), qsizetype(values.size()));
        }
    }
    completeTable();
}

bool LessonSnapshot::canAdd(const QString &name) const
{
    // Names go into SQL text, which a NUL would cut short.
    if (m_sealed || name.isEmpty() || name.contains(QChar(u'\0')) || hasTable(name))
        return false;
    return std::none_of(m_unreadable.cbegin(), m_unreadable.cend(), [&name](const Unreadable &table) {
        return table.name.compare(name, Qt::CaseInsensitive) == 0;
    });
}

void LessonSnapshot::seal()
{
    if (m_sealed)
        return;
    completeTable();
    exec("PRAGMA query_only = 1");
    m_sealed = true;
}

bool LessonSnapshot::hasTable(const QString &name) const
{
    return containsName(tableNames(), name);
}

QStringList LessonSnapshot::tableNames() const
{
    QStringList names;
    for (const Table &table : m_tables)
        names << table.name;
    return names;
}

QStringList LessonSnapshot::columns(const QString &table) const
{
    for (const Table &t : m_tables)
        if (t.name.compare(table, Qt::CaseInsensitive) == 0)
            return t.columns;
    return {};
}

LessonResult LessonSnapshot::query(const QString &sql) const
{
    if (!m_sealed)
        throw AppError(tr("The lesson file '%1' is not loaded yet.").arg(m_fileName));
    if (!m_lastSql.isNull() && sql == m_lastSql)
        return m_lastResult;
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *raw = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &raw, &tail) != SQLITE_OK || !raw)
        raiseQueryError(sql);
    const Statement statement(raw);
    for (const char *p = tail; p && p < text.constData() + text.size(); ++p) {
        if (*p != ';' && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n')
            throw AppError(tr("The query \"%1\" holds more than one statement.").arg(sql));
    }
    if (!sqlite3_stmt_readonly(statement.get()))
        throw AppError(tr("The query \"%1\" would change the lesson file '%2', which is only read.")
                           .arg(sql, m_fileName));

    LessonResult result;
    const int count = sqlite3_column_count(statement.get());
    for (int i = 0; i < count; ++i)
        result.columns << QString::fromUtf8(sqlite3_column_name(statement.get(), i));
    for (;;) {
        const int step = sqlite3_step(statement.get());
        if (step == SQLITE_DONE)
            break;
        if (step != SQLITE_ROW)
            raiseQueryError(sql);
        QStringList row;
        row.reserve(count);
        for (int i = 0; i < count; ++i) {
            const auto *value = reinterpret_cast<const char *>(sqlite3_column_text(statement.get(), i));
            row << QString::fromUtf8(value, sqlite3_column_bytes(statement.get(), i));
        }
        result.rows.push_back(std::move(row));
    }
    m_lastSql = sql;
    m_lastResult = result;
    return result;
}

void LessonSnapshot::raiseQueryError(const QString &sql) const
{
    const QString why = errorText(m_db);
    static const QLatin1String noTable("no such table: ");
    static const QLatin1String noColumn("no such column: ");
    if (why.startsWith(noTable)) {
        const QString table = why.mid(noTable.size());
        // The file has the table but it could not be read: say so, not that it is missing.
        for (const Unreadable &unreadable : m_unreadable) {
            if (unreadable.name.compare(table, Qt::CaseInsensitive) == 0)
                throw AppError(tr("The lesson file '%1' is damaged: its table '%2' cannot be read (%3).")
                                   .arg(m_fileName, unreadable.name, shownReason(unreadable.why)));
        }
        throw AppError(tr("The lesson file '%1' has no table '%2'.").arg(m_fileName, table));
    }
    if (why.startsWith(noColumn)) {
        const QString column = why.mid(noColumn.size());
        // Name the table the query reads that lacks the column.
        for (const Table &table : m_tables) {
            const QRegularExpression word(QLatin1String("\\b") + QRegularExpression::escape(table.name) +
                                              QLatin1String("\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
            if (sql.contains(word) && !containsName(table.columns, column))
                throw AppError(tr("The table '%1' of the lesson file '%2' has no column '%3'.")
                                   .arg(table.name, m_fileName, column));
        }
        throw AppError(tr("The lesson file '%1' has no column '%2'.").arg(m_fileName, column));
    }
    throw AppError(
        tr("The query \"%1\" cannot be run on the lesson file '%2': %3.").arg(sql, m_fileName, why));
}
