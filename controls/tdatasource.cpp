// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/tdatasource.h"

#include "lessons/tadodataset.h"

TDataSource::TDataSource(QObject *parent)
    : QObject(parent)
{}

void TDataSource::setDataSet(TADODataSet *dataSet)
{
    if (m_dataSet)
        disconnect(m_dataSet, nullptr, this, nullptr);
    m_dataSet = dataSet;
    if (m_dataSet)
        connect(m_dataSet, &TADODataSet::dataChanged, this, &TDataSource::dataChanged);
    Q_EMIT dataChanged();
}
