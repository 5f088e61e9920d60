// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class LessonConnection;
class LessonSource;

// A read-only lesson data set on the lesson file: a static snapshot of the
// result of its command text, with a cursor that only moves forward.
// Errors (a failed open, Next on a closed data set, changing the command text
// while open) are raised as AppError with a text for the error box.
class TADODataSet : public QObject
{
    Q_OBJECT
public:
    TADODataSet(const QString &name, const QString &connectionString, const QString &commandText,
                std::shared_ptr<LessonSource> source, QObject *parent = nullptr);
    ~TADODataSet() override;

    QString ConnectionString() const { return m_connectionString; }
    QString CommandText() const { return m_commandText; }
    // Refused while open, unless the text equals the present one.
    void setCommandText(const QString &text);

    void Open();
    void Close();
    void Next();

    bool Active() const { return m_active; }
    bool Eof() const { return m_eof; }
    bool IsEmpty() const { return m_rows.empty(); }
    int RecordCount() const { return int(m_rows.size()); }
    // 1-based position of the current row; 0 when there is none.
    int RecNo() const { return m_active && !m_rows.empty() ? m_current + 1 : 0; }

    // The current row's value of a column (matched without case), or an empty
    // string when the data set is closed, empty, or has no such column.
    QString fieldText(const QString &field) const;

    // Bound controls name the columns they show; an open whose result lacks one fails.
    void addRequiredField(const QString &field);

    const LessonConnection &connection() const { return *m_connection; }

Q_SIGNALS:
    // The current row changed: opened, closed or moved.
    void dataChanged();

private:
    QString m_connectionString;
    QString m_commandText;
    QStringList m_requiredFields;
    std::unique_ptr<LessonConnection> m_connection;
    bool m_active = false;
    bool m_eof = false;
    QStringList m_columns;
    std::vector<QStringList> m_rows;
    int m_current = 0;
    // Next on a closed data set reports that once, then aborts silently until the next Open or Close.
    bool m_closedReported = false;
};
