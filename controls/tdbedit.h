// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

class TDataSource;

// A read-only single-line edit that shows one column of its data source's current row.
class TDBEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TDBEdit(QWidget *parent = nullptr);

    void setDataSource(TDataSource *source);
    TDataSource *DataSource() const { return m_source; }
    void setDataField(const QString &field);
    QString DataField() const { return m_field; }

private:
    void refresh();

    TDataSource *m_source = nullptr;
    QString m_field;
};
