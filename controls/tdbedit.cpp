// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/tdbedit.h"

#include "controls/tdatasource.h"
#include "lessons/tadodataset.h"

TDBEdit::TDBEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setReadOnly(true);
}

void TDBEdit::setDataSource(TDataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source)
        connect(m_source, &TDataSource::dataChanged, this, &TDBEdit::refresh);
    if (m_source && m_source->DataSet() && !m_field.isEmpty())
        m_source->DataSet()->addRequiredField(m_field);
    refresh();
}

void TDBEdit::setDataField(const QString &field)
{
    m_field = field;
    if (m_source && m_source->DataSet() && !m_field.isEmpty())
        m_source->DataSet()->addRequiredField(m_field);
    refresh();
}

void TDBEdit::refresh()
{
    const TADODataSet *dataSet = m_source ? m_source->DataSet() : nullptr;
    setText(dataSet && !m_field.isEmpty() ? dataSet->fieldText(m_field) : QString());
}
