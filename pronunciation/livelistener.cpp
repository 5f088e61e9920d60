// SPDX-License-Identifier: GPL-3.0-or-later
#include "pronunciation/livelistener.h"

#include "pronunciation/readingchecker.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThread>

#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace {

void complain(const QString &why)
{
    const QString program = QCoreApplication::applicationName();
    std::fprintf(stderr, "%s: no pronunciation check: %s\n",
                 qPrintable(program.isEmpty() ? QStringLiteral("daro") : program), qPrintable(why));
}

} // namespace

struct LiveListener::Shared
{
    struct Job
    {
        enum Kind { Begin, Sound, Finish, Cancel };
        Kind kind = Begin;
        quint64 reading = 0;
        QString text;
        std::vector<qint16> samples;
        quint32 rate = 0;
        // Finish: the object on the context's thread that the result is posted to.
        QObject *relay = nullptr;
        QPointer<QObject> context;
        std::function<void(const ReadingCheck &)> done;
    };

    RecogniserModel model;
    RecogniserSettings settings;
    JudgeThresholds thresholds;

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> jobs;
    std::atomic<bool> stopping{false};
    // Counts begin() and cancel(): a result is handed over only while no
    // newer one came.
    std::atomic<quint64> reading{0};

    void push(Job job)
    {
        {
            std::lock_guard lock(mutex);
            jobs.push_back(std::move(job));
        }
        wake.notify_one();
    }

    // Hands the result of a finish() over on its context's thread, unless
    // a begin() or cancel() came since, or the context is gone.
    static void post(const std::shared_ptr<Shared> &shared, Job &job, ReadingCheck check)
    {
        QObject *relay = job.relay;
        job.relay = nullptr;
        QMetaObject::invokeMethod(
            relay,
            [shared, relay, reading = job.reading, context = job.context, done = std::move(job.done),
             check = std::move(check)] {
                if (context && shared->reading.load() == reading)
                    done(check);
                relay->deleteLater();
            },
            Qt::QueuedConnection);
    }
};

LiveListener::LiveListener(RecogniserModel model, RecogniserSettings settings, JudgeThresholds thresholds)
    : m_shared(std::make_shared<Shared>())
{
    m_shared->model = std::move(model);
    m_shared->settings = settings;
    m_shared->thresholds = thresholds;
}

LiveListener::~LiveListener()
{
    // Nothing is handed over any more, not even a result already posted.
    ++m_shared->reading;
    if (!m_worker.joinable())
        return;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->stopping = true;
    }
    m_shared->wake.notify_one();
    m_worker.join();
    for (Shared::Job &job : m_shared->jobs) {
        if (job.relay)
            job.relay->deleteLater();
    }
}

void LiveListener::begin(const QString &text)
{
    Shared::Job job;
    job.kind = Shared::Job::Begin;
    job.reading = ++m_shared->reading;
    job.text = text;
    m_shared->push(std::move(job));
    if (!m_worker.joinable())
        m_worker = std::thread([this] { run(); });
}

void LiveListener::feed(const qint16 *samples, qsizetype count, quint32 rate)
{
    // Sound with no reading begun has nowhere to go.
    if (count <= 0 || !samples || m_shared->reading.load() == 0)
        return;
    Shared::Job job;
    job.kind = Shared::Job::Sound;
    job.reading = m_shared->reading.load();
    job.samples.assign(samples, samples + count);
    job.rate = rate;
    m_shared->push(std::move(job));
}

void LiveListener::finish(const QString &text, QObject *context,
                          std::function<void(const ReadingCheck &)> done)
{
    if (!context || !done)
        return;
    Shared::Job job;
    job.kind = Shared::Job::Finish;
    job.reading = m_shared->reading.load();
    job.text = text;
    job.relay = new QObject;
    job.relay->moveToThread(context->thread());
    job.context = context;
    job.done = std::move(done);
    if (!m_worker.joinable()) {
        // Nothing was recorded since this listener was made.
        ReadingCheck nothing;
        nothing.text = text;
        Shared::post(m_shared, job, nothing);
        return;
    }
    m_shared->push(std::move(job));
}

void LiveListener::cancel()
{
    Shared::Job job;
    job.kind = Shared::Job::Cancel;
    job.reading = ++m_shared->reading;
    m_shared->push(std::move(job));
}

void LiveListener::run()
{
    // Decoding goes on while the learner records and the window answers: as
    // a batch thread it yields to them.
    sched_param batch{};
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &batch);

    const std::shared_ptr<Shared> shared = m_shared;
    std::unique_ptr<ReadingChecker> checker;
    bool loaded = false;

    // The reading under way.
    quint64 current = 0;
    bool active = false;
    bool usable = false;   // analysed so far without a failure
    bool decoding = false; // the decoder has not yet given its result
    QString beginText;
    std::vector<qint16> sound; // the reading as it came
    quint32 rate = 0;          // its rate
    size_t decoded = 0;        // of it, handed to the decoder
    std::optional<ReadingCheck> result;

    // Tenths of a second, whatever pieces the capture hands over, so that a
    // reading decodes alike live and from a file.
    const auto piece = [&rate] { return size_t(std::max<quint32>(rate / 10, 1)); };
    const auto decodeUpTo = [&](size_t end) {
        while (usable && decoded < end && !shared->stopping) {
            const size_t count = std::min(piece(), end - decoded);
            if (!checker->feed(sound.data() + decoded, qsizetype(count), rate)) {
                usable = false;
                complain(QStringLiteral("the recogniser failed"));
            }
            decoded += count;
        }
    };

    for (;;) {
        Shared::Job job;
        {
            std::unique_lock lock(shared->mutex);
            shared->wake.wait(lock, [&] { return shared->stopping || !shared->jobs.empty(); });
            if (shared->stopping)
                return;
            job = std::move(shared->jobs.front());
            shared->jobs.pop_front();
        }

        switch (job.kind) {
        case Shared::Job::Begin: {
            if (!loaded) {
                loaded = true;
                QString error;
                checker = loadReadingChecker(shared->model, shared->settings, shared->thresholds, &error);
                if (!checker)
                    complain(error);
            }
            current = job.reading;
            active = true;
            beginText = job.text;
            sound.clear();
            rate = 0;
            decoded = 0;
            result.reset();
            usable = checker != nullptr;
            decoding = usable;
            if (usable && !checker->begin(beginText)) {
                usable = false;
                complain(QStringLiteral("the recogniser does not take the text"));
            }
            break;
        }
        case Shared::Job::Sound:
            if (job.reading != current || !active || !decoding || !usable)
                break;
            if (rate == 0)
                rate = job.rate;
            if (job.rate != rate || rate == 0) {
                usable = false;
                complain(QStringLiteral("the sound changed its rate while recording"));
                break;
            }
            sound.insert(sound.end(), job.samples.begin(), job.samples.end());
            if (sound.size() > size_t(kLongestReadingSeconds) * rate) {
                usable = false;
                decoding = false;
                sound.clear();
                sound.shrink_to_fit();
                complain(QStringLiteral("the recording is longer than %1 s").arg(kLongestReadingSeconds));
                break;
            }
            // Whole pieces only, until the reading ends.
            decodeUpTo(sound.size() - sound.size() % piece());
            break;
        case Shared::Job::Finish: {
            ReadingCheck check;
            check.text = job.text;
            if (job.reading == current && active) {
                if (decoding) {
                    decoding = false;
                    decodeUpTo(sound.size());
                    if (usable && sound.empty()) {
                        usable = false;
                        complain(QStringLiteral("no sound reached it"));
                    }
                    const ReadingCheck decodedCheck = checker ? checker->finish() : ReadingCheck();
                    if (usable && !decodedCheck.ok)
                        complain(QStringLiteral("the recogniser failed"));
                    usable = usable && decodedCheck.ok;
                    if (usable)
                        result = decodedCheck;
                }
                if (usable && result && result->text == job.text) {
                    check = *result;
                } else if (usable) {
                    // The text changed after the recording began: the whole
                    // recording again, against the new text, a piece at a
                    // time so that closing the program need not wait for it.
                    bool fed = checker->begin(job.text);
                    for (size_t at = 0; fed && at < sound.size(); at += piece()) {
                        if (shared->stopping)
                            return;
                        fed = checker->feed(sound.data() + at,
                                            qsizetype(std::min(piece(), sound.size() - at)), rate);
                    }
                    check = checker->finish();
                    if (check.ok)
                        result = check;
                    else
                        complain(QStringLiteral("the recogniser failed on the changed text"));
                }
            }
            Shared::post(shared, job, check);
            break;
        }
        case Shared::Job::Cancel:
            if (decoding && checker)
                checker->finish();
            current = job.reading;
            active = false;
            decoding = false;
            sound.clear();
            sound.shrink_to_fit();
            result.reset();
            break;
        }
    }
}

std::unique_ptr<ReadingListener> makeReadingListener()
{
    return std::make_unique<LiveListener>();
}
