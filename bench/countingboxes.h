// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/messageboxes.h"

// Message boxes that count what would have been shown and return at once.
class CountingBoxes : public MessageBoxes
{
public:
    void show(const QString &text, const QString &caption, Icon icon) override;

    int count() const { return m_count; }
    QString firstText() const { return m_first; }

private:
    int m_count = 0;
    QString m_first;
};
