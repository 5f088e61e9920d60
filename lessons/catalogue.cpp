// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessons/catalogue.h"

QString CatalogueEntry::menuCaption() const
{
    QString caption = labelText();
    while (caption.endsWith(QLatin1Char(' ')))
        caption.chop(1);
    return caption;
}

// In catalogue order: the order of the tree and of the label comparisons.
const std::array<CatalogueEntry, 47> kCatalogue = {{
    {u"第一节", "N26", kListeningCourse, u"第一章", "N22", "Razorud365", "a", LessonGroup::Listening},
    {u"第二节", "N27", kListeningCourse, u"第一章", "N22", "Razorud365", "b", LessonGroup::Listening},
    {u"第三节", "N28", kListeningCourse, u"第一章", "N22", "Razorud365", "c", LessonGroup::Listening},
    {u"第四节", "N29", kListeningCourse, u"第一章", "N22", "Razorud365", "d", LessonGroup::Listening},
    {u"第一节 ", "N30", kListeningCourse, u"第二章", "N23", "Razorud365", "e", LessonGroup::Listening},
    {u"第二节 ", "N31", kListeningCourse, u"第二章", "N23", "Razorud365", "f", LessonGroup::Listening},
    {u"第三节 ", "N32", kListeningCourse, u"第二章", "N23", "Razorud365", "g", LessonGroup::Listening},
    {u"第四节 ", "N33", kListeningCourse, u"第二章", "N23", "Razorud365", "h", LessonGroup::Listening},
    {u"第一节  ", "N34", kListeningCourse, u"第三章", "N24", "Razorud365", "I", LessonGroup::Listening},
    {u"第二节  ", "N35", kListeningCourse, u"第三章", "N24", "Razorud365", "j", LessonGroup::Listening},
    {u"第三节  ", "N36", kListeningCourse, u"第三章", "N24", "Razorud365", "k", LessonGroup::Listening},
    {u"第四节  ", "N37", kListeningCourse, u"第三章", "N24", "Razorud365", "l", LessonGroup::Listening},
    {u"第五节  ", "N38", kListeningCourse, u"第三章", "N24", "Razorud365", "m", LessonGroup::Listening},
    {u"第一节   ", "N39", kListeningCourse, u"第四章", "N25", "Razorud365", "n", LessonGroup::Listening},
    {u"第二节   ", "N40", kListeningCourse, u"第四章", "N25", "Razorud365", "o", LessonGroup::Listening},
    {u"第三节   ", "N41", kListeningCourse, u"第四章", "N25", "Razorud365", "p", LessonGroup::Listening},
    {u"第四节   ", "N42", kListeningCourse, u"第四章", "N25", "Razorud365", "q", LessonGroup::Listening},
    {u"第五节   ", "N43", kListeningCourse, u"第四章", "N25", "Razorud365", "r", LessonGroup::Listening},
    {u"unit1", "unit11", kPatternCourse, u"第一册", "N6", "Durizez900", "a", LessonGroup::FirstBook},
    {u"unit2", "unit21", kPatternCourse, u"第一册", "N6", "Durizez900", "b", LessonGroup::FirstBook},
    {u"unit3", "unit31", kPatternCourse, u"第一册", "N6", "Durizez900", "c", LessonGroup::FirstBook},
    {u"unit4", "unit41", kPatternCourse, u"第一册", "N6", "Durizez900", "d", LessonGroup::FirstBook},
    {u"unit5", "unit51", kPatternCourse, u"第一册", "N6", "Durizez900", "e", LessonGroup::FirstBook},
    {u"unit1 ", "unit12", kPatternCourse, u"第二册", "N46", "Durizez900", "f", LessonGroup::Patterns},
    {u"unit2 ", "unit22", kPatternCourse, u"第二册", "N46", "Durizez900", "g", LessonGroup::Patterns},
    {u"unit3 ", "unit32", kPatternCourse, u"第二册", "N46", "Durizez900", "h", LessonGroup::Patterns},
    {u"unit4 ", "unit42", kPatternCourse, u"第二册", "N46", "Durizez900", "I", LessonGroup::Patterns},
    {u"unit5 ", "unit52", kPatternCourse, u"第二册", "N46", "Durizez900", "j", LessonGroup::Patterns},
    {u"unit1  ", "unit13", kPatternCourse, u"第三册", "N47", "Durizez900", "k", LessonGroup::Patterns},
    {u"unit2  ", "unit23", kPatternCourse, u"第三册", "N47", "Durizez900", "l", LessonGroup::Patterns},
    {u"unit3  ", "unit33", kPatternCourse, u"第三册", "N47", "Durizez900", "m", LessonGroup::Patterns},
    {u"unit4  ", "unit43", kPatternCourse, u"第三册", "N47", "Durizez900", "n", LessonGroup::Patterns},
    {u"unit5  ", "unit53", kPatternCourse, u"第三册", "N47", "Durizez900", "o", LessonGroup::Patterns},
    {u"unit6  ", "unit61", kPatternCourse, u"第三册", "N47", "Durizez900", "p", LessonGroup::Patterns},
    {u"unit1   ", "unit14", kPatternCourse, u"第四册", "N48", "Durizez900", "q", LessonGroup::Patterns},
    {u"unit2   ", "unit24", kPatternCourse, u"第四册", "N48", "Durizez900", "r", LessonGroup::Patterns},
    {u"unit3   ", "unit34", kPatternCourse, u"第四册", "N48", "Durizez900", "s", LessonGroup::Patterns},
    {u"unit4   ", "unit44", kPatternCourse, u"第四册", "N48", "Durizez900", "t", LessonGroup::Patterns},
    {u"unit5   ", "unit54", kPatternCourse, u"第四册", "N48", "Durizez900", "u", LessonGroup::Patterns},
    {u"unit6   ", "unit62", kPatternCourse, u"第四册", "N48", "Durizez900", "v", LessonGroup::Patterns},
    {u"unit1    ", "unit15", kPatternCourse, u"第五册", "N49", "Durizez900", "w", LessonGroup::Patterns},
    {u"unit2    ", "unit25", kPatternCourse, u"第五册", "N49", "Durizez900", "x", LessonGroup::Patterns},
    {u"unit3    ", "unit35", kPatternCourse, u"第五册", "N49", "Durizez900", "y", LessonGroup::Patterns},
    {u"unit4    ", "unit45", kPatternCourse, u"第五册", "N49", "Durizez900", "z", LessonGroup::Patterns},
    {u"unit5    ", "unit55", kPatternCourse, u"第五册", "N49", "Durizez900", "aa", LessonGroup::Patterns},
    {u"unit6    ", "unit63", kPatternCourse, u"第五册", "N49", "Durizez900", "ab", LessonGroup::Patterns},
    {u"经典语句", "N50", kClassicSentences, u"", "", "Durizez900", "ac", LessonGroup::Patterns},
}};

const CatalogueEntry *findCatalogueEntry(const QString &label)
{
    for (const CatalogueEntry &entry : kCatalogue)
        if (label == entry.labelText())
            return &entry;
    return nullptr;
}
