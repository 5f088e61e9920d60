// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace {

bool loadQtCatalogue(QTranslator &translator, const QLocale &locale)
{
    // qt_ pulls in the modules' catalogues (qtbase_, qtmultimedia_); where a
    // language has no qt_ file, qtbase_ alone still has the buttons.
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    return translator.load(locale, QStringLiteral("qt"), QStringLiteral("_"), folder) ||
           translator.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder);
}

bool loadProgramCatalogue(QTranslator &translator, const QLocale &locale)
{
    // Compiled in from resources/translations.
    return translator.load(locale, QStringLiteral("daro"), QStringLiteral("_"), QStringLiteral(":/i18n"));
}

} // namespace

Translations::Translations(const QLocale &locale)
{
    m_qtLoaded = loadQtCatalogue(m_qt, locale) && QCoreApplication::installTranslator(&m_qt);
    m_programLoaded =
        loadProgramCatalogue(m_program, locale) && QCoreApplication::installTranslator(&m_program);
}

Translations::~Translations()
{
    QCoreApplication::removeTranslator(&m_program);
    QCoreApplication::removeTranslator(&m_qt);
}
