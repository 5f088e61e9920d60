// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPlainTextEdit>

// A multi-line text box: long lines wrap at the box's width, the text is read
// with Windows line breaks (CR LF), and every mouse movement over it is reported
// so that its owner can switch its hover hint on.
class TMemo : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TMemo(QWidget *parent = nullptr);

    // The whole text; lines are joined with "\r\n", as the learner typed them.
    virtual QString Text() const;
    void setText(const QString &text);

    void setShowHint(bool on);
    bool showHint() const { return m_showHint; }
    void setHint(const QString &hint);
    QString hint() const { return m_hint; }

Q_SIGNALS:
    void mouseMoved();

protected:
    bool viewportEvent(QEvent *event) override;

private:
    void updateToolTip();

    bool m_showHint = false;
    QString m_hint;
};
