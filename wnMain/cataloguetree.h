// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

class QAction;
class QMenu;
class QTreeWidget;

// The lesson tree and the lesson menus, both built from the one catalogue table.

// One node per course, chapter or book and lesson, in catalogue order, collapsed,
// in rows a little taller than their labels.
void fillCatalogueTree(QTreeWidget *tree);

// A submenu per chapter or book under its course's menu, named after the
// design's item, and a lesson of its own as a command item of `operate`
// placed before `before`. Returns the lesson items in catalogue order.
QList<QAction *> addCatalogueMenus(QMenu *operate, QMenu *listening, QMenu *patterns, QAction *before);
