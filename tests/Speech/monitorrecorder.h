// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QVector>

// Records what the test sound server's sink plays, from its monitor, as 16-bit
// mono samples at the given rate.
class MonitorRecorder
{
public:
    struct Stretch
    {
        double start; // seconds into the recording
        double length;
    };

    explicit MonitorRecorder(int rate = 22050, QString source = QStringLiteral("daro_sink.monitor"));
    ~MonitorRecorder();

    // Starts recording and waits until the first samples arrive.
    bool start();
    // Ends the recording and returns what was captured.
    QVector<qint16> stop();
    QString errorString() const { return m_error; }

    // The sounding stretches of a recording: runs of 5 ms windows whose peak is
    // above the threshold, merged across gaps shorter than minGap seconds.
    static QList<Stretch> stretches(const QVector<qint16> &samples, int rate, double minGap,
                                    int threshold = 300);
    static double totalLength(const QList<Stretch> &stretches);

private:
    int m_rate;
    QString m_source;
    QProcess m_process;
    QByteArray m_data;
    QString m_error;
};
