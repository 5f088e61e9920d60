// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/errors.h"

AppError::AppError(QString message)
    : m_message(std::move(message))
    , m_utf8(m_message.toUtf8())
{}

Abort::Abort()
    : AppError(QStringLiteral("Operation aborted"))
{}
