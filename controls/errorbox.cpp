// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/errorbox.h"

#include "base/errors.h"
#include "controls/messageboxes.h"

#include <QApplication>
#include <QWidget>

QString errorBoxText(const QString &message)
{
    // A translated message that ends in the ideographic full stop has its full stop already.
    if (!message.isEmpty() && message.back() > QLatin1Char('.') && message.back() != QChar(u'。'))
        return message + QLatin1Char('.');
    return message;
}

QWidget *errorBoxOwner()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget *active = QApplication::activeWindow())
        return active;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible() && window->windowType() == Qt::Window)
            return window;
    }
    return nullptr;
}

ErrorBox::ErrorBox()
    : m_own(std::make_unique<QtMessageBoxes>())
    , m_boxes(m_own.get())
{}

ErrorBox::ErrorBox(MessageBoxes &boxes)
    : m_boxes(&boxes)
{}

ErrorBox::~ErrorBox() = default;

void ErrorBox::report(std::exception_ptr error)
{
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const Abort &) {
        return;
    } catch (const AppError &e) {
        if (m_open) {
            e.unseen();
            return;
        }
        text = e.message();
    } catch (const std::exception &e) {
        text = QString::fromLocal8Bit(e.what());
    } catch (...) {
        text = QCoreApplication::translate("TApplication", "Unknown error");
    }
    if (m_open)
        return;
    m_open = true;
    if (m_own)
        m_own->setOwner(errorBoxOwner());
    try {
        m_boxes->show(errorBoxText(text), QApplication::applicationName(), MessageBoxes::Icon::Error);
    } catch (...) {
    }
    m_open = false;
}
