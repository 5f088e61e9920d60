// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

#include <exception>
#include <functional>

class MessageBoxes;

// The error box's text: the error's message, with a full stop appended when
// its last character sorts after "." and is not "。".
QString errorBoxText(const QString &message);

// Shows an escaped error in the application's error box, captioned with the
// application's title; the silent abort shows nothing. While one error box is
// open no second one is stacked on it: timer ticks keep arriving inside its
// nested event loop, and each could otherwise add a box of its own.
void reportException(std::exception_ptr error);

// Sends the error box to the given message boxes for the scope's lifetime
// (tests give a recorder); without one it is a Qt message box over the active
// window. Scopes nest: the newest one in force wins.
class ErrorBoxScope
{
public:
    explicit ErrorBoxScope(MessageBoxes &boxes);
    ~ErrorBoxScope();
    ErrorBoxScope(const ErrorBoxScope &) = delete;
    ErrorBoxScope &operator=(const ErrorBoxScope &) = delete;

private:
    MessageBoxes *m_previous;
};

// Runs one event handler: whatever it raises ends it and goes to the error box.
template <typename F> void runHandler(F &&handler)
{
    try {
        handler();
    } catch (...) {
        reportException(std::current_exception());
    }
}

// The application object: errors that escape event delivery go to the error
// box and the program carries on with the next event.
class TApplication : public QApplication
{
    Q_OBJECT
public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
