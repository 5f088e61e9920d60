// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// The program's modal message boxes, each with one OK button.
class MessageBoxes
{
public:
    enum class Icon { None, Information, Error };

    virtual ~MessageBoxes() = default;
    // Returns when the learner has closed the box; timer ticks go on meanwhile.
    virtual void show(const QString &text, const QString &caption, Icon icon) = 0;
};

// Real message boxes, centred over the given window (the screen when none).
class QtMessageBoxes : public MessageBoxes
{
public:
    explicit QtMessageBoxes(QWidget *owner = nullptr)
        : m_owner(owner)
    {}
    void setOwner(QWidget *owner) { m_owner = owner; }
    void show(const QString &text, const QString &caption, Icon icon) override;

private:
    QWidget *m_owner;
};
