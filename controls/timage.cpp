// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/timage.h"

#include <QMouseEvent>
#include <QPixmap>

TImage::TImage(QWidget *parent)
    : QLabel(parent)
{
    setScaledContents(true);
    setMouseTracking(true);
}

void TImage::setPictureFile(const QString &fileName)
{
    m_pictureFile = fileName;
    m_pictureRead = false;
    if (isVisible()) {
        m_pictureRead = true;
        setPixmap(QPixmap(m_pictureFile));
    }
}

void TImage::showEvent(QShowEvent *event)
{
    if (!m_pictureRead && !m_pictureFile.isEmpty()) {
        m_pictureRead = true;
        setPixmap(QPixmap(m_pictureFile));
    }
    QLabel::showEvent(event);
}

void TImage::setShowHint(bool on)
{
    m_showHint = on;
    updateToolTip();
}

void TImage::setHint(const QString &hint)
{
    m_hint = hint;
    updateToolTip();
}

void TImage::updateToolTip()
{
    setToolTip(m_showHint ? m_hint : QString());
}

void TImage::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    QLabel::mousePressEvent(event);
}

void TImage::mouseReleaseEvent(QMouseEvent *event)
{
    // A click is a press and a release of the left button over the picture.
    const bool click =
        m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        Q_EMIT clicked();
}

void TImage::mouseMoveEvent(QMouseEvent *event)
{
    QLabel::mouseMoveEvent(event);
    Q_EMIT mouseMoved();
}
