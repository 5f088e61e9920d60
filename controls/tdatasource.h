// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class TADODataSet;

// Links a data set to the controls bound to it and tells them when its current row changes.
class TDataSource : public QObject
{
    Q_OBJECT
public:
    explicit TDataSource(QObject *parent = nullptr);

    void setDataSet(TADODataSet *dataSet);
    TADODataSet *DataSet() const { return m_dataSet; }

Q_SIGNALS:
    void dataChanged();

private:
    TADODataSet *m_dataSet = nullptr;
};
