// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/tmemo.h"

#include <QEvent>

TMemo::TMemo(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // A Windows edit box puts its text right under the frame; Qt's usual four
    // pixels all round would cost the small fixed-size boxes a line and a character.
    document()->setDocumentMargin(1);
    setTabChangesFocus(true);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
}

QString TMemo::Text() const
{
    QString text = toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

void TMemo::setText(const QString &text)
{
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    setPlainText(plain);
}

void TMemo::setShowHint(bool on)
{
    m_showHint = on;
    updateToolTip();
}

void TMemo::setHint(const QString &hint)
{
    m_hint = hint;
    updateToolTip();
}

void TMemo::updateToolTip()
{
    setToolTip(m_showHint ? m_hint : QString());
}

bool TMemo::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::MouseMove)
        Q_EMIT mouseMoved();
    return QPlainTextEdit::viewportEvent(event);
}
