// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/application.h"

#include "base/errors.h"
#include "controls/messageboxes.h"

#include <QApplication>

namespace {

MessageBoxes *g_errorBoxes = nullptr;
bool g_errorBoxOpen = false;

} // namespace

QString errorBoxText(const QString &message)
{
    // A translated message that ends in the ideographic full stop has its full stop already.
    if (!message.isEmpty() && message.back() > QLatin1Char('.') && message.back() != QChar(u'。'))
        return message + QLatin1Char('.');
    return message;
}

ErrorBoxScope::ErrorBoxScope(MessageBoxes &boxes)
    : m_previous(g_errorBoxes)
{
    g_errorBoxes = &boxes;
}

ErrorBoxScope::~ErrorBoxScope()
{
    g_errorBoxes = m_previous;
}

namespace {

MessageBoxes &errorBoxes()
{
    static QtMessageBoxes fallback;
    if (g_errorBoxes)
        return *g_errorBoxes;
    fallback.setOwner(QApplication::activeWindow());
    return fallback;
}

} // namespace

void reportException(std::exception_ptr error)
{
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const Abort &) {
        return;
    } catch (const AppError &e) {
        text = e.message();
    } catch (const std::exception &e) {
        text = QString::fromLocal8Bit(e.what());
    } catch (...) {
        text = QCoreApplication::translate("TApplication", "Unknown error");
    }
    if (g_errorBoxOpen)
        return;
    g_errorBoxOpen = true;
    try {
        errorBoxes().show(errorBoxText(text), QApplication::applicationName(), MessageBoxes::Icon::Error);
    } catch (...) {
    }
    g_errorBoxOpen = false;
}

TApplication::TApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportException(std::current_exception());
        return false;
    }
}
