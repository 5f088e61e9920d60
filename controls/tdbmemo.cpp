// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/tdbmemo.h"

#include "controls/tdatasource.h"
#include "lessons/tadodataset.h"

TDBMemo::TDBMemo(QWidget *parent)
    : TMemo(parent)
{
    setReadOnly(true);
}

void TDBMemo::setDataSource(TDataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source)
        connect(m_source, &TDataSource::dataChanged, this, &TDBMemo::refresh);
    if (m_source && m_source->DataSet() && !m_field.isEmpty())
        m_source->DataSet()->addRequiredField(m_field);
    refresh();
}

void TDBMemo::setDataField(const QString &field)
{
    m_field = field;
    if (m_source && m_source->DataSet() && !m_field.isEmpty())
        m_source->DataSet()->addRequiredField(m_field);
    refresh();
}

void TDBMemo::setDisplayText(const QString &text)
{
    m_text = text;
    setText(text);
}

void TDBMemo::refresh()
{
    const TADODataSet *dataSet = m_source ? m_source->DataSet() : nullptr;
    setDisplayText(dataSet && !m_field.isEmpty() ? dataSet->fieldText(m_field) : QString());
}
