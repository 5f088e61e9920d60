// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lessons/rowstream.h"

#include <QString>
#include <QStringList>

// The tables of a lesson file for the tool's own commands (dump, query): the
// reader that daro-lessons-read runs, in-process, its stream read back.
RowStream readLessonFile(const QString &path, const QStringList &tables);
