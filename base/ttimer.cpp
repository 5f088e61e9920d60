// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/ttimer.h"

TTimer::TTimer(QObject *parent)
    : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &TTimer::timeout);
    update();
}

void TTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    update();
}

void TTimer::setInterval(int msec)
{
    if (msec == m_interval)
        return;
    m_interval = msec;
    update();
}

void TTimer::update()
{
    m_timer.stop();
    if (m_enabled && m_interval > 0)
        m_timer.start(m_interval);
}
