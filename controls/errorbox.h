// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <exception>
#include <memory>

class MessageBoxes;
class QtMessageBoxes;
class QWidget;

// The error box's text: the error's message, with a full stop appended when
// its last character sorts after "." and is not "。".
QString errorBoxText(const QString &message);

// The window an error box is shown over: the open modal dialog, else the
// active window, else, when another program is in front, the program's shown
// window. An error box with no owner is a window of its own that can open
// behind that other program, out of sight, and while it is open every window
// of ours ignores its close button.
QWidget *errorBoxOwner();

// The application's error box. The application object and every window are
// given the same one, so that its one-box-at-a-time rule holds across them.
class ErrorBox
{
public:
    // Qt message boxes over the active window.
    ErrorBox();
    // The given message boxes (tests give a recorder); they must outlive this.
    explicit ErrorBox(MessageBoxes &boxes);
    ~ErrorBox();
    ErrorBox(const ErrorBox &) = delete;
    ErrorBox &operator=(const ErrorBox &) = delete;

    // Shows an escaped error, captioned with the application's title; the
    // silent abort shows nothing. While one error box is open no second one
    // is stacked on it: timer ticks keep arriving inside its nested event
    // loop, and each could otherwise add a box of its own.
    void report(std::exception_ptr error);

    // Runs one event handler: whatever it raises ends it and goes to the box.
    template <typename F> void run(F &&handler)
    {
        try {
            handler();
        } catch (...) {
            report(std::current_exception());
        }
    }

private:
    std::unique_ptr<QtMessageBoxes> m_own;
    MessageBoxes *m_boxes;
    bool m_open = false;
};
