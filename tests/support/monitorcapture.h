// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>
#include <QVector>

// Records what the private server's sink plays, from its monitor, with parec
// writing 16-bit mono samples straight into a file: a long recording costs the
// recording process no memory of its own.
class MonitorCapture
{
public:
    MonitorCapture(QString fileName, int rate);
    ~MonitorCapture();
    MonitorCapture(const MonitorCapture &) = delete;
    MonitorCapture &operator=(const MonitorCapture &) = delete;

    // Starts parec and waits until its first samples are in the file.
    bool start();
    // Ends the recording.
    void stop();
    // The samples recorded so far.
    QVector<qint16> samples() const;
    double seconds() const;
    QString errorString() const { return m_error; }

private:
    QString m_fileName;
    int m_rate;
    QProcess m_process;
    QString m_error;
};
