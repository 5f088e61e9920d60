// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/tnotice.h"

#include <QAccessibleWidget>

namespace {

class NoticeAccessible : public QAccessibleWidget
{
public:
    explicit NoticeAccessible(TNotice *notice)
        : QAccessibleWidget(notice, QAccessible::Notification)
    {}

    QString text(QAccessible::Text t) const override
    {
        const auto *notice = static_cast<const TNotice *>(widget());
        if (t == QAccessible::Name && notice->accessibleName().isEmpty())
            return notice->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *noticeInterface(const QString &className, QObject *object)
{
    if (className == QLatin1String("TNotice") && object && object->isWidgetType())
        return new NoticeAccessible(static_cast<TNotice *>(object));
    return nullptr;
}

} // namespace

TNotice::TNotice(QWidget *parent)
    : QLabel(parent)
{
    // Before anything asks for this label's interface, which is then kept.
    QAccessible::installFactory(noticeInterface);
}

void TNotice::announce()
{
    setVisible(false);
    setVisible(true);
}

void TNotice::announce(const QString &text)
{
    setVisible(false);
    setText(text);
    setVisible(true);
}
