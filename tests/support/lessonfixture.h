// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The test lessons of tests/lessons/fixtures: their rows as the source text
// has them, what each lesson should hold, and the lesson file built from them.

#include "lessons/tadodataset.h"

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QStringList>

#include <algorithm>

using Rows = QList<QStringList>;

// A field of the TSV form with its escapes undone.
inline QString unescaped(const QString &field)
{
    QString text;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) != QLatin1Char('\\') || i + 1 == field.size()) {
            text += field.at(i);
            continue;
        }
        const QChar next = field.at(++i);
        text += next == QLatin1Char('t')   ? QChar(u'\t')
                : next == QLatin1Char('n') ? QChar(u'\n')
                : next == QLatin1Char('r') ? QChar(u'\r')
                                           : next;
    }
    return text;
}

// The fixture's rows in file order, read straight from its source text.
inline Rows fixtureRows(const QString &table)
{
    QFile file(qEnvironmentVariable("DARO_SOURCE_DIR") + QLatin1String("/tests/lessons/fixtures/") + table +
               QLatin1String(".tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    Rows rows;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        QStringList row;
        for (const QString &field : line.split(QLatin1Char('\t')))
            row << unescaped(field);
        rows << row;
    }
    return rows;
}

// What a lesson should hold: the rows whose number contains the key, letter
// case aside, in number order (case aside), equal numbers in file order.
inline Rows expectedLesson(const QString &table, const QString &key)
{
    Rows rows;
    for (const QStringList &row : fixtureRows(table))
        if (row.at(0).contains(key, Qt::CaseInsensitive))
            rows << row;
    std::stable_sort(rows.begin(), rows.end(), [](const QStringList &a, const QStringList &b) {
        return a.at(0).compare(b.at(0), Qt::CaseInsensitive) < 0;
    });
    return rows;
}

// Rows of TSV text (NUMBER, ENGLISH, CHINESE per line), escapes undone.
inline Rows tsvRows(const QByteArray &text)
{
    Rows rows;
    const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        QStringList row;
        for (const QString &field : line.split(QLatin1Char('\t')))
            row << unescaped(field);
        rows << row;
    }
    return rows;
}

// Builds the lesson file from the fixtures with daro-lessons; gives the reason when that fails.
inline QString buildFixtureFile(const QString &path)
{
    QProcess build;
    build.start(QCoreApplication::applicationDirPath() + QLatin1String("/daro-lessons"),
                {QStringLiteral("build"),
                 qEnvironmentVariable("DARO_SOURCE_DIR") + QLatin1String("/tests/lessons/fixtures"),
                 QStringLiteral("-o"), path});
    if (!build.waitForFinished(60000))
        return QStringLiteral("daro-lessons build did not finish: ") + build.errorString();
    if (build.exitStatus() != QProcess::NormalExit || build.exitCode() != 0)
        return QString::fromLocal8Bit(build.readAllStandardError());
    return {};
}

// Every row from the data set's current one to its end, stepped as the timers step.
inline Rows walk(TADODataSet &dataSet)
{
    Rows rows;
    while (dataSet.Active() && !dataSet.IsEmpty() && !dataSet.Eof()) {
        rows << QStringList{dataSet.fieldText(QStringLiteral("NUMBER")),
                            dataSet.fieldText(QStringLiteral("ENGLISH")),
                            dataSet.fieldText(QStringLiteral("CHINESE"))};
        dataSet.Next();
    }
    return rows;
}
