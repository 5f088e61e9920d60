// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lessons/lessonsnapshot.h"
#include "lessons/rowstream.h"

#include <QString>

#include <memory>

// Builds a snapshot from a reader's row stream while a RowStreamParser checks
// it, so the rows go into the snapshot as they arrive instead of being held
// twice. The first error the snapshot raises is kept, not thrown: the stream
// is read to its end all the same, and whether it was valid decides which
// error counts.
class SnapshotFiller : public RowStreamReceiver
{
public:
    explicit SnapshotFiller(const QString &fileName);

    void table(const QString &name, const QStringList &columns) override;
    void row(const QByteArrayView *values, qsizetype count) override;
    void missing(const QString &name) override;
    void unreadable(const QString &name, const QString &why) override;
    void error(const QString &text) override;

    // The sealed snapshot, or null when building it failed (see failure()).
    std::shared_ptr<LessonSnapshot> finish();
    // What the snapshot raised, as it raised it; empty if nothing.
    QString failure() const { return m_failure; }
    // The error the reader reported in the stream; empty if none.
    QString readerError() const { return m_readerError; }

private:
    template <typename Step> void guarded(Step step);

    std::shared_ptr<LessonSnapshot> m_snapshot;
    QString m_failure;
    QString m_readerError;
};
