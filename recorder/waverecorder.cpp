// SPDX-License-Identifier: GPL-3.0-or-later
#include "recorder/waverecorder.h"

#include "base/errors.h"
#include "recorder/createwav.h"
#include "recorder/recordererror.h"
#include "recorder/waveheader.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <limits>

namespace {

// Enough for a header with a few metadata chunks before the samples.
constexpr qint64 kHeaderReadLimit = 64 * 1024;

} // namespace

WaveRecorder::WaveRecorder(std::unique_ptr<CaptureBackend> backend, QObject *parent)
    : QObject(parent)
    , m_backend(std::move(backend))
{}

WaveRecorder::~WaveRecorder()
{
    if (m_open)
        m_backend->close();
}

void WaveRecorder::Open()
{
    // A backend lets go of its device even when closing it fails, so the
    // new device is opened whatever Close reports.
    if (m_open)
        Close();

    const QString shownName = QDir::toNativeSeparators(m_fileName);
    QFile file(m_fileName);
    if (m_fileName.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        raiseOpenError(ErrFileOpen,
                       tr("Cannot open the recording file \"%1\": %2")
                           .arg(shownName, m_fileName.isEmpty() ? tr("No file name") : file.errorString()));
    }
    const QByteArray head = file.read(kHeaderReadLimit);
    file.close();
    const std::optional<WaveInfo> info = parseWaveHeader(head);
    if (!info || !isPlainPcm(*info)) {
        raiseOpenError(ErrNotWaveFile,
                       tr("The recording file \"%1\" is not a PCM wave file.").arg(shownName));
    }

    const int result = m_backend->open(info->channels, info->bitsPerSample, info->sampleRate);
    if (result != ErrNone)
        raiseOpenError(result, recorderErrorText(result));

    m_open = true;
    m_recording = false;
    m_lastError = ErrNone;
    m_channels = info->channels;
    m_bits = info->bitsPerSample;
    m_rate = info->sampleRate;
    m_samples.clear();
}

void WaveRecorder::Record()
{
    requireOpen();
    m_lastError = m_backend->start();
    if (m_lastError == ErrNone)
        m_recording = true;
}

void WaveRecorder::Stop()
{
    requireOpen();
    if (!m_recording) {
        m_lastError = ErrNone;
        return;
    }
    m_lastError = m_backend->stop();
    m_recording = false;
    m_samples += m_backend->takeCaptured();
}

void WaveRecorder::Save()
{
    requireOpen();
    if (m_fileName.isEmpty())
        return;
    if (m_recording)
        m_samples += m_backend->takeCaptured();

    const qsizetype blockAlign = qsizetype(m_channels) * (m_bits / 8);
    const qsizetype whole = m_samples.size() - m_samples.size() % blockAlign;
    // The RIFF size (36 + data + pad byte) must fit its 32 bits.
    if (quint64(whole) > std::numeric_limits<quint32>::max() - 37u) {
        m_lastError = ErrTooLong;
        return;
    }
    m_lastError = writeFile(QByteArrayView(m_samples).first(whole)) ? ErrNone : ErrSave;
}

void WaveRecorder::Close()
{
    if (!m_open)
        return;
    m_lastError = m_backend->close();
    if (m_lastError != ErrNone)
        return;
    m_open = false;
    m_recording = false;
    m_samples.clear();
}

void WaveRecorder::raiseOpenError(int code, const QString &text)
{
    m_open = false;
    m_recording = false;
    m_samples.clear();
    m_lastError = code;
    throw AppError(text);
}

void WaveRecorder::requireOpen() const
{
    if (!m_open)
        throw AppError(QStringLiteral("No MCI device open"));
}

bool WaveRecorder::writeFile(QByteArrayView samples) const
{
    // Written beside the target and renamed over it, so that a failure leaves
    // the previous file as it was.
    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const auto size = quint32(samples.size());
    const QByteArray header = waveHeader(m_channels, m_bits, qint32(m_rate), size);
    if (file.write(header) != header.size() || file.write(samples.data(), samples.size()) != samples.size())
        return false;
    if ((size & 1) && !file.putChar('\0'))
        return false;
    return file.commit();
}
