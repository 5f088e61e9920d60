// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the lesson reader says about a file or a table it cannot read. The
// reader runs without Qt and reports these texts in the source language, an
// argument in place of %1; the program finds them in what it reports and
// shows them in the learner's language (readerText() in rowstream.h).

// Qt's own definition, for the reader, which includes no Qt header; lupdate
// finds the texts by it.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

namespace ReaderTexts {

inline constexpr char kContext[] = "MdbReader";

inline constexpr const char *kCannotOpen = QT_TRANSLATE_NOOP("MdbReader", "cannot open the file: %1");
inline constexpr const char *kNotJet = QT_TRANSLATE_NOOP("MdbReader", "not a Jet database file");
inline constexpr const char *kNoDecoder = QT_TRANSLATE_NOOP("MdbReader", "no text decoder for this file");
inline constexpr const char *kNoCatalogue = QT_TRANSLATE_NOOP("MdbReader", "cannot read the table catalogue");
inline constexpr const char *kDefinitionDamaged =
    QT_TRANSLATE_NOOP("MdbReader", "the page that describes it is damaged");
inline constexpr const char *kColumnsDamaged =
    QT_TRANSLATE_NOOP("MdbReader", "the list of its columns is damaged");
inline constexpr const char *kPagesDamaged =
    QT_TRANSLATE_NOOP("MdbReader", "the list of its pages is damaged");

inline constexpr const char *kAll[] = {kCannotOpen,        kNotJet,         kNoDecoder,   kNoCatalogue,
                                       kDefinitionDamaged, kColumnsDamaged, kPagesDamaged};

} // namespace ReaderTexts
