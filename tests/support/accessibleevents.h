// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessible>
#include <QList>
#include <QPointer>
#include <QStringList>

// What a screen reader would be told, recorded without one and without a bus.
// Qt calls QAccessible's update handler only while a platform bridge is
// active, which it never is headless; the events then go to the accessibility
// bridge plugins instead, and this one keeps them. A test that wants them
// imports it: Q_IMPORT_PLUGIN(AccessibleEventsPlugin).
class AccessibleEvents
{
public:
    struct Event
    {
        QAccessible::Event type;
        QPointer<QObject> object;
        // As the object was when the event came.
        QAccessible::Role role;
        QString name;
        QString description;
    };

    static QList<Event> &recorded();
    static void clear() { recorded().clear(); }
    // The names of the notifications shown since the last clear(), in order:
    // what a screen reader reads out as they come.
    static QStringList notifications();
};
