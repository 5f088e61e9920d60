// SPDX-License-Identifier: GPL-3.0-or-later
#include "recorder/createwav.h"

#include "base/errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtEndian>

namespace {

void put16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

// A whole sentence per step, so that each can be translated as one.
[[noreturn]] void raiseFileError(const QFile &file, const char *message)
{
    throw AppError(QCoreApplication::translate("CreateWav", message)
                       .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
}

} // namespace

QByteArray waveHeader(quint16 channels, quint16 bits, qint32 rate, quint32 dataSize)
{
    const quint32 bytesPerSample = bits >> 3;
    // The RIFF chunk ends on an even byte; an odd data chunk is followed by a pad byte.
    const quint32 riffSize = 36 + dataSize + (dataSize & 1);

    QByteArray header;
    header.reserve(44);
    header.append("RIFF", 4);
    put32(header, riffSize);
    header.append("WAVE", 4);
    header.append("fmt ", 4);
    put32(header, 16);
    put16(header, 1);
    put16(header, channels);
    put32(header, quint32(rate));
    put32(header, quint32(channels) * quint32(rate) * bytesPerSample);
    put16(header, quint16(channels * bytesPerSample));
    put16(header, bits);
    header.append("data", 4);
    put32(header, dataSize);
    return header;
}

void CreateWav(quint16 channels, quint16 bits, qint32 rate, const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        raiseFileError(file, QT_TRANSLATE_NOOP("CreateWav", "Cannot create the file \"%1\": %2"));
    const QByteArray header = waveHeader(channels, bits, rate);
    if (file.write(header) != header.size() || !file.flush())
        raiseFileError(file, QT_TRANSLATE_NOOP("CreateWav", "Cannot write the file \"%1\": %2"));
    file.close();
    if (file.error() != QFileDevice::NoError)
        raiseFileError(file, QT_TRANSLATE_NOOP("CreateWav", "Cannot close the file \"%1\": %2"));
}
