// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/imageformatloader.h"

#include <QBuffer>
#include <QImageReader>

ImageFormatLoader::ImageFormatLoader()
    : m_thread([] {
        // Bytes no format claims: every plugin is asked, so every plugin loads.
        QBuffer unknown;
        unknown.setData(QByteArray(16, '\0'));
        unknown.open(QIODevice::ReadOnly);
        QImageReader(&unknown).canRead();
    })
{}

ImageFormatLoader::~ImageFormatLoader()
{
    if (m_thread.joinable())
        m_thread.join();
}
