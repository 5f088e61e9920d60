// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/tmemo.h"

class TDataSource;

// A read-only memo that shows one column of its data source's current row.
class TDBMemo : public TMemo
{
    Q_OBJECT
public:
    explicit TDBMemo(QWidget *parent = nullptr);

    void setDataSource(TDataSource *source);
    TDataSource *DataSource() const { return m_source; }
    void setDataField(const QString &field);
    QString DataField() const { return m_field; }

    // The text the box holds, exactly as stored in the lesson file.
    QString Text() const override { return m_text; }
    // Shows another text without touching the data set (until its row changes).
    void setDisplayText(const QString &text);

private:
    void refresh();

    TDataSource *m_source = nullptr;
    QString m_field;
    QString m_text;
};
