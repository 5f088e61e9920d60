// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recorder/capturebackend.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>

#include <memory>

enum class TMPDeviceTypes { dtAutoSelect, dtWaveAudio };

// Records sound into a wave file: Open takes the format from the header of
// FileName (as CreateWav writes it) and opens the capture device in it,
// Record starts capturing and returns at once, Stop ends it, Save writes a
// PCM wave file with everything captured since Open to FileName, Close lets
// go of the device.
//
// Only a failed Open and the use of a closed recorder raise AppError; every
// other failure leaves a non-zero LastError() (a RecorderError code) and
// raises nothing. A recorder destroyed while it captures discards the capture.
// Both device types capture from the system's default input.
class WaveRecorder : public QObject
{
    Q_OBJECT

public:
    explicit WaveRecorder(std::unique_ptr<CaptureBackend> backend, QObject *parent = nullptr);
    ~WaveRecorder() override;

    TMPDeviceTypes DeviceType() const { return m_deviceType; }
    void setDeviceType(TMPDeviceTypes type) { m_deviceType = type; }
    const QString &FileName() const { return m_fileName; }
    void setFileName(const QString &fileName) { m_fileName = fileName; }

    void Open();
    void Record();
    void Stop();
    void Save();
    void Close();

    // Hands the sound to `tap` as it is captured (see CaptureBackend).
    void setSampleTap(SampleTap tap) { m_backend->setSampleTap(std::move(tap)); }

    // The result of the last operation that reached the device or the file.
    int LastError() const { return m_lastError; }
    bool isOpen() const { return m_open; }
    bool isRecording() const { return m_recording; }

private:
    [[noreturn]] void raiseOpenError(int code, const QString &text);
    void requireOpen() const;
    bool writeFile(QByteArrayView samples) const;

    std::unique_ptr<CaptureBackend> m_backend;
    TMPDeviceTypes m_deviceType = TMPDeviceTypes::dtAutoSelect;
    QString m_fileName;
    bool m_open = false;
    bool m_recording = false;
    int m_lastError = 0;
    quint16 m_channels = 0;
    quint16 m_bits = 0;
    quint32 m_rate = 0;
    QByteArray m_samples;
};
