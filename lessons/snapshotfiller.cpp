// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessons/snapshotfiller.h"

#include "base/errors.h"

SnapshotFiller::SnapshotFiller(const QString &fileName)
{
    guarded([&] { m_snapshot = std::make_shared<LessonSnapshot>(fileName); });
}

template <typename Step> void SnapshotFiller::guarded(Step step)
{
    if (!m_failure.isEmpty())
        return;
    try {
        step();
    } catch (const AppError &error) {
        m_failure = error.message();
        m_snapshot.reset();
    }
}

void SnapshotFiller::table(const QString &name, const QStringList &columns)
{
    guarded([&] { m_snapshot->beginTable(name, columns); });
}

void SnapshotFiller::row(const QByteArrayView *values, qsizetype count)
{
    guarded([&] { m_snapshot->addRow(values, count); });
}

void SnapshotFiller::missing(const QString &)
{
    // A table the file lacks stays out of the snapshot, so that a query on it says so.
}

void SnapshotFiller::unreadable(const QString &name, const QString &why)
{
    guarded([&] { m_snapshot->addUnreadableTable(name, why); });
}

void SnapshotFiller::error(const QString &text)
{
    m_readerError = text;
}

std::shared_ptr<LessonSnapshot> SnapshotFiller::finish()
{
    guarded([&] { m_snapshot->seal(); });
    return m_failure.isEmpty() ? m_snapshot : nullptr;
}
