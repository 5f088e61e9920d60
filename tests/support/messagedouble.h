// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/messageboxes.h"

#include <QList>

#include <functional>

// Message boxes that record what they would show and return at once. The hook
// runs "inside" the box, standing for the events its nested loop delivers.
class RecordingMessageBoxes : public MessageBoxes
{
public:
    struct Box
    {
        QString text;
        QString caption;
        Icon icon;
    };
    QList<Box> shown;
    std::function<void()> whileOpen;

    void show(const QString &text, const QString &caption, Icon icon) override
    {
        shown.append({text, caption, icon});
        if (whileOpen) {
            auto hook = std::move(whileOpen);
            hook();
        }
    }
    QStringList texts() const
    {
        QStringList result;
        for (const Box &box : shown)
            result << box.text;
        return result;
    }
};
