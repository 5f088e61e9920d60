// SPDX-License-Identifier: GPL-3.0-or-later
#include "Speech/backgroundspeechbackend.h"

#include "base/errors.h"

#include <QMetaObject>

BackgroundSpeechBackend::BackgroundSpeechBackend(std::unique_ptr<SpeechBackend> inner)
    : m_inner(std::move(inner))
    , m_home(std::make_unique<QObject>())
{
    m_thread.setObjectName(QStringLiteral("daro speech set-up"));
    m_thread.start();
    m_home->moveToThread(&m_thread);
    QMetaObject::invokeMethod(
        m_home.get(), [this] { runAhead(); }, Qt::QueuedConnection);
}

BackgroundSpeechBackend::~BackgroundSpeechBackend()
{
    waitForSetUp();
    // The inner backend goes where it was made, with everything it made there.
    QMetaObject::invokeMethod(
        m_home.get(), [this] { m_inner.reset(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    m_home.reset();
}

void BackgroundSpeechBackend::call(SpeechBackend &backend, Step step)
{
    switch (step) {
    case CreateAudioDest:
        backend.createAudioDest();
        break;
    case EnumModes:
        backend.enumModes();
        break;
    case LoadFirstMode:
        backend.loadFirstMode();
        break;
    case SelectMode:
        backend.selectMode();
        break;
    case StepCount:
        break;
    }
}

void BackgroundSpeechBackend::runAhead()
{
    for (int step = 0; step < StepCount && m_inner; ++step) {
        std::exception_ptr error;
        try {
            call(*m_inner, Step(step));
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard lock(m_mutex);
        m_outcomes[step].ran = true;
        m_outcomes[step].error = error;
        m_changed.notify_all();
        if (error)
            break;
    }
    std::lock_guard lock(m_mutex);
    m_aheadDone = true;
    m_changed.notify_all();
}

void BackgroundSpeechBackend::waitForSetUp()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_aheadDone; });
}

void BackgroundSpeechBackend::take(Step step)
{
    std::exception_ptr error;
    {
        std::unique_lock lock(m_mutex);
        Outcome &outcome = m_outcomes[step];
        m_changed.wait(lock, [&] { return outcome.ran || m_aheadDone; });
        if (!outcome.ran || outcome.taken) {
            lock.unlock();
            runThere(step);
            return;
        }
        outcome.taken = true;
        error = outcome.error;
    }
    if (error)
        std::rethrow_exception(error);
}

void BackgroundSpeechBackend::runThere(Step step)
{
    waitForSetUp();
    if (!m_inner)
        throw Abort();
    std::exception_ptr error;
    QMetaObject::invokeMethod(
        m_home.get(),
        [this, step, &error] {
            try {
                call(*m_inner, step);
            } catch (...) {
                error = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (error)
        std::rethrow_exception(error);
}

void BackgroundSpeechBackend::createAudioDest()
{
    take(CreateAudioDest);
}

void BackgroundSpeechBackend::enumModes()
{
    take(EnumModes);
}

void BackgroundSpeechBackend::loadFirstMode()
{
    take(LoadFirstMode);
}

void BackgroundSpeechBackend::selectMode()
{
    take(SelectMode);
}

void BackgroundSpeechBackend::speak(const QString &text)
{
    waitForSetUp();
    if (!m_inner)
        throw Abort();
    m_inner->speak(text);
}
