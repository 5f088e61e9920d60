// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

// A picture stretched over its whole size, with click and mouse-move reports
// and a hover hint that stays off until its owner switches it on.
class TImage : public QLabel
{
    Q_OBJECT
public:
    explicit TImage(QWidget *parent = nullptr);

    // A picture read from its file only when the control is first shown, so
    // that one that starts hidden costs neither time nor memory until then.
    void setPictureFile(const QString &fileName);
    QString pictureFile() const { return m_pictureFile; }

    void setShowHint(bool on);
    bool showHint() const { return m_showHint; }
    void setHint(const QString &hint);
    QString hint() const { return m_hint; }

Q_SIGNALS:
    void clicked();
    void mouseMoved();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void updateToolTip();

    bool m_pressed = false;
    bool m_showHint = false;
    QString m_hint;
    QString m_pictureFile;
    bool m_pictureRead = false;
};
