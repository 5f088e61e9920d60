// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessons/lessonquery.h"

#include "lessons/tadodataset.h"

QString LessonQuery(const QString &table, const QString &key)
{
    return QLatin1String("select * from ") + table + QLatin1String(" where number like '%") + key +
           QLatin1String("%' order by number asc");
}

void OpenLesson(TADODataSet &dataSet, const QString &table, const QString &key)
{
    dataSet.Close();
    dataSet.setCommandText(LessonQuery(table, key));
    dataSet.Open();
}
