// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

// A timer that re-arms only when a value really changes: enabling an enabled
// timer keeps its running period, setting the interval it already has leaves
// the countdown alone, a new interval restarts it, and interval 0 stops the
// ticks while the timer stays enabled. QTimer::start() and setInterval() both
// restart an active timer even for the same value, hence the guards here.
class TTimer : public QObject
{
    Q_OBJECT
public:
    explicit TTimer(QObject *parent = nullptr);

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    int Interval() const { return m_interval; }
    void setInterval(int msec);

    // Whether ticks are being counted down, and the time left until the next one (-1 if none).
    bool isCounting() const { return m_timer.isActive(); }
    int remainingTime() const { return m_timer.remainingTime(); }

Q_SIGNALS:
    void timeout();

private:
    void update();

    QTimer m_timer;
    bool m_enabled = true;
    int m_interval = 1000;
};
