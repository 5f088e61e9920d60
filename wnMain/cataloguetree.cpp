// SPDX-License-Identifier: GPL-3.0-or-later
#include "wnMain/cataloguetree.h"

#include "lessons/catalogue.h"

#include <QFontInfo>
#include <QMenu>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <algorithm>

namespace {

// A tree in 宋体 on Windows leaves about 16 pixels a row for its 12-pixel
// labels. The face that stands in for it here has lines no taller than its
// characters, so rows of the text's height alone leave neighbouring labels
// almost touching.
class CatalogueRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), QFontInfo(option.font).pixelSize() + 4));
        return size;
    }
};

} // namespace

void fillCatalogueTree(QTreeWidget *tree)
{
    tree->setItemDelegate(new CatalogueRowDelegate(tree));
    QTreeWidgetItem *courseNode = nullptr;
    QTreeWidgetItem *chapterNode = nullptr;
    QString course;
    QString chapter;
    for (const CatalogueEntry &entry : kCatalogue) {
        const QString entryCourse = QString::fromUtf16(entry.course);
        const QString entryChapter = QString::fromUtf16(entry.chapter);
        if (entryChapter.isEmpty()) {
            new QTreeWidgetItem(tree, {entry.labelText()});
            course.clear();
            continue;
        }
        if (entryCourse != course) {
            course = entryCourse;
            courseNode = new QTreeWidgetItem(tree, {course});
            chapter.clear();
        }
        if (entryChapter != chapter) {
            chapter = entryChapter;
            chapterNode = new QTreeWidgetItem(courseNode, {chapter});
        }
        new QTreeWidgetItem(chapterNode, {entry.labelText()});
    }
    tree->collapseAll();
}

QList<QAction *> addCatalogueMenus(QMenu *operate, QMenu *listening, QMenu *patterns, QAction *before)
{
    QList<QAction *> items;
    QMenu *chapterMenu = nullptr;
    for (const CatalogueEntry &entry : kCatalogue) {
        QAction *item = nullptr;
        if (entry.chapterMenu[0] == '\0') {
            item = new QAction(entry.menuCaption(), operate);
            operate->insertAction(before, item);
        } else {
            const QString name = QString::fromLatin1(entry.chapterMenu);
            if (!chapterMenu || chapterMenu->objectName() != name) {
                QMenu *courseMenu = entry.group == LessonGroup::Listening ? listening : patterns;
                chapterMenu = courseMenu->addMenu(QString::fromUtf16(entry.chapter));
                chapterMenu->setObjectName(name);
                chapterMenu->menuAction()->setObjectName(name);
            }
            item = chapterMenu->addAction(entry.menuCaption());
        }
        item->setObjectName(QString::fromLatin1(entry.menuItem));
        items << item;
    }
    return items;
}
