// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <vector>

// Damaged copies of a Jet 4 lesson file, planned from a fixed seed so that
// every run damages the same bytes. Each damage hits one part of the file:
// the end (a truncation), the header page, the catalogue's table definition
// (page 2) or its rows, the lesson tables' definitions or rows, or any other
// page.
class LessonDamage
{
public:
    enum class Kind { Truncate, FlipBit, SetByte, SetU16, SetU32, OverwriteRun };

    QString region;
    Kind kind = Kind::Truncate;
    qsizetype offset = 0; // the new length for a truncation
    qsizetype length = 0; // bytes overwritten by a run
    quint32 value = 0;    // the bit, byte, word or fill pattern
    // Where the definition starts of the one lesson table whose own pages
    // (its definition, the pages of its rows) alone this damage hits; 0 otherwise.
    qsizetype tableDefinition = 0;

    QByteArray applyTo(const QByteArray &intact) const;
    QString describe() const;

    // At least `total` damages, spread over the regions the file has.
    static std::vector<LessonDamage> plan(const QByteArray &intact, quint32 seed, int total);
    // Where the definitions of the lesson tables (not the catalogue's) start.
    static std::vector<qsizetype> lessonDefinitions(const QByteArray &intact);
    // `count` of them spread evenly over the plan, so that a short run meets every region.
    static std::vector<LessonDamage> sample(const std::vector<LessonDamage> &plan, int count);
};
