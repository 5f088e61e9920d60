// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QTranslator>

// The interface language: Qt's own catalogue (its buttons, its dialogs) and
// the program's, for a locale, installed on the application for the object's
// lifetime. English, the source language, stays wherever a catalogue is
// missing. The captions and messages of the designs are Chinese already and
// are not in the program's catalogue, so they read the same in every locale.
class Translations
{
public:
    explicit Translations(const QLocale &locale = QLocale());
    ~Translations();
    Translations(const Translations &) = delete;
    Translations &operator=(const Translations &) = delete;

    bool hasQtCatalogue() const { return m_qtLoaded; }
    bool hasProgramCatalogue() const { return m_programLoaded; }

private:
    QTranslator m_qt;
    QTranslator m_program;
    bool m_qtLoaded = false;
    bool m_programLoaded = false;
};
