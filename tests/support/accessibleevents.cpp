// SPDX-License-Identifier: GPL-3.0-or-later
// A static plugin: the test that imports it gets the bridge without a plugin file.
#define QT_STATICPLUGIN
#include "support/accessibleevents.h"

#include <QAccessibleBridge>
#include <QAccessibleBridgePlugin>

QList<AccessibleEvents::Event> &AccessibleEvents::recorded()
{
    static QList<Event> events;
    return events;
}

QStringList AccessibleEvents::notifications()
{
    QStringList names;
    for (const Event &event : recorded())
        if (event.type == QAccessible::ObjectShow && event.role == QAccessible::Notification)
            names << event.name;
    return names;
}

class AccessibleEventsBridge : public QAccessibleBridge
{
public:
    void setRootObject(QAccessibleInterface *) override {}
    void notifyAccessibilityUpdate(QAccessibleEvent *event) override
    {
        QAccessibleInterface *iface = event->accessibleInterface();
        if (!iface || !iface->isValid())
            return;
        AccessibleEvents::recorded().append({event->type(), event->object(), iface->role(),
                                             iface->text(QAccessible::Name),
                                             iface->text(QAccessible::Description)});
    }
};

class AccessibleEventsPlugin : public QAccessibleBridgePlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QAccessibleBridgeFactoryInterface_iid FILE "accessibleevents.json")
public:
    // Qt keeps the bridges it is given to the end and never deletes them.
    QAccessibleBridge *create(const QString &) override
    {
        static AccessibleEventsBridge bridge;
        return &bridge;
    }
};

#include "accessibleevents.moc"
