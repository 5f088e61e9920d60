// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <exception>
#include <functional>

// An error for the application's error box: its text is shown as it is.
class AppError : public std::exception
{
public:
    explicit AppError(QString message);
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

    // Run by the error box when it drops this error unseen because another
    // box is open, so that an error raised only once can be raised again.
    void setUnseenHook(std::function<void()> hook) { m_unseen = std::move(hook); }
    void unseen() const
    {
        if (m_unseen)
            m_unseen();
    }

private:
    QString m_message;
    QByteArray m_utf8;
    std::function<void()> m_unseen;
};

// The silent abort: ends the running handler and shows nothing.
class Abort : public AppError
{
public:
    Abort();
};
