// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>

// The three ways a lesson choice acts: the listening course, the first book of
// the sentence-pattern course, and the rest of that course.
enum class LessonGroup { Listening, FirstBook, Patterns };

// One selectable lesson. Labels repeat across chapters and books and are told
// apart by trailing blanks: n - 1 of them under the n-th chapter or book.
struct CatalogueEntry
{
    const char16_t *label;   // tree label, trailing blanks included
    const char *menuItem;    // the menu item's name
    const char16_t *course;  // top-level tree node
    const char16_t *chapter; // chapter or book node; empty for a top-level lesson
    const char *chapterMenu; // the chapter's or book's submenu name; empty for none
    const char *table;
    const char *key;
    LessonGroup group;

    QString labelText() const { return QString::fromUtf16(label); }
    // The menu shows the label without its trailing blanks.
    QString menuCaption() const;
};

inline constexpr char16_t kListeningCourse[] = u"热点听力";
inline constexpr char16_t kPatternCourse[] = u"精读句型";
inline constexpr char16_t kClassicSentences[] = u"经典语句";

extern const std::array<CatalogueEntry, 47> kCatalogue;

// The entry whose label is exactly the text (length, characters, trailing
// blanks and case all count), or nullptr.
const CatalogueEntry *findCatalogueEntry(const QString &label);
