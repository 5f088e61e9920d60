// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class TADODataSet;

// The command text that selects one lesson: the rows of the table whose NUMBER
// contains the key, in ascending NUMBER order.
QString LessonQuery(const QString &table, const QString &key);

// Puts a lesson on a data set: close, set the lesson's command text, open on its first row.
void OpenLesson(TADODataSet &dataSet, const QString &table, const QString &key);
