// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessons/tadodataset.h"

#include "base/errors.h"
#include "lessons/lessonconnection.h"

#include <QPointer>

TADODataSet::TADODataSet(const QString &name, const QString &connectionString, const QString &commandText,
                         std::shared_ptr<LessonSource> source, QObject *parent)
    : QObject(parent)
    , m_connectionString(connectionString)
    , m_commandText(commandText)
    , m_connection(std::make_unique<LessonConnection>(connectionString, std::move(source)))
{
    setObjectName(name);
}

TADODataSet::~TADODataSet() = default;

void TADODataSet::setCommandText(const QString &text)
{
    if (text == m_commandText)
        return;
    if (m_active)
        throw AppError(tr("%1: Cannot perform this operation on an open dataset").arg(objectName()));
    m_commandText = text;
}

void TADODataSet::Open()
{
    if (m_active)
        return;
    // Whatever the outcome, the next Next on a closed data set is reported again.
    m_closedReported = false;
    try {
        if (m_commandText.trimmed().isEmpty())
            throw AppError(tr("%1: CommandText does not return a result set").arg(objectName()));
        m_connection->open();
        LessonResult result = m_connection->execute(m_commandText);
        for (const QString &field : std::as_const(m_requiredFields)) {
            if (!result.columns.contains(field, Qt::CaseInsensitive))
                throw AppError(tr("%1: Field '%2' not found").arg(objectName(), field));
        }
        m_columns = std::move(result.columns);
        m_rows = std::move(result.rows);
    } catch (const AppError &) {
        Q_EMIT dataChanged();
        throw;
    }
    m_current = 0;
    m_eof = m_rows.empty();
    m_active = true;
    Q_EMIT dataChanged();
}

void TADODataSet::Close()
{
    m_active = false;
    m_eof = false;
    m_current = 0;
    m_columns.clear();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_closedReported = false;
    Q_EMIT dataChanged();
}

void TADODataSet::Next()
{
    if (!m_active) {
        // Timers go on calling Next after a failed open; one error box is enough.
        if (m_closedReported)
            throw Abort();
        m_closedReported = true;
        AppError error(tr("%1: Cannot perform this operation on a closed dataset").arg(objectName()));
        // Dropped under another open error box, it was never seen: the next Next reports it.
        error.setUnseenHook([self = QPointer<TADODataSet>(this)] {
            if (self)
                self->m_closedReported = false;
        });
        throw error;
    }
    if (m_current + 1 < int(m_rows.size())) {
        ++m_current;
        Q_EMIT dataChanged();
    } else {
        m_eof = true;
    }
}

QString TADODataSet::fieldText(const QString &field) const
{
    if (!m_active || m_rows.empty())
        return {};
    const qsizetype column = m_columns.indexOf(field);
    if (column >= 0)
        return m_rows[size_t(m_current)].at(column);
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).compare(field, Qt::CaseInsensitive) == 0)
            return m_rows[size_t(m_current)].at(i);
    }
    return {};
}

void TADODataSet::addRequiredField(const QString &field)
{
    if (!field.isEmpty() && !m_requiredFields.contains(field, Qt::CaseInsensitive))
        m_requiredFields << field;
}
