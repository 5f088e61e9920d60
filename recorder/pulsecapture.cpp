// SPDX-License-Identifier: GPL-3.0-or-later
#include "recorder/pulsecapture.h"

#include "recorder/recordererror.h"

#include <QCoreApplication>

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <cstring>

namespace {

// Longest wait for the server to answer a request.
constexpr pa_usec_t kAnswerTimeout = 5 * PA_USEC_PER_SEC;
// The stream asks for fragments this short, so that an input that can go
// faster hands its samples over within this time.
constexpr pa_usec_t kFragment = 20 * PA_USEC_PER_MSEC;
// At Stop, the time allowed beyond two fragments for the last samples.
constexpr pa_usec_t kStopSlack = 250 * PA_USEC_PER_MSEC;
// At Stop, the time the tap's stream gets after the recording's for its last samples.
constexpr pa_usec_t kTapStopSlack = 40 * PA_USEC_PER_MSEC;

class Locked
{
public:
    explicit Locked(pa_threaded_mainloop *loop)
        : m_loop(loop)
    {
        pa_threaded_mainloop_lock(m_loop);
    }
    ~Locked() { pa_threaded_mainloop_unlock(m_loop); }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;

private:
    pa_threaded_mainloop *m_loop;
};

} // namespace

std::unique_ptr<CaptureBackend> makeAudioSourceCapture()
{
    return std::make_unique<PulseCapture>();
}

PulseCapture::~PulseCapture()
{
    close();
}

int PulseCapture::open(quint16 channels, quint16 bitsPerSample, quint32 sampleRate)
{
    if (m_loop)
        return ErrDeviceOpen;

    pa_sample_spec spec{};
    switch (bitsPerSample) {
    case 8:
        spec.format = PA_SAMPLE_U8;
        break;
    case 16:
        spec.format = PA_SAMPLE_S16LE;
        break;
    case 32:
        spec.format = PA_SAMPLE_S32LE;
        break;
    default:
        return ErrFormatNotSupported;
    }
    if (channels > PA_CHANNELS_MAX)
        return ErrFormatNotSupported;
    spec.channels = quint8(channels);
    spec.rate = sampleRate;
    if (!pa_sample_spec_valid(&spec) ||
        !pa_channel_map_init_extend(&m_map, spec.channels, PA_CHANNEL_MAP_DEFAULT))
        return ErrFormatNotSupported;
    m_spec = spec;
    m_silence = spec.format == PA_SAMPLE_U8 ? char(0x80) : char(0);

    if (!connectToServer() || (m_sourceName = defaultSourceName()).isEmpty()) {
        close();
        return ErrNoInputDevice;
    }
    m_captured.clear();
    return ErrNone;
}

int PulseCapture::start()
{
    if (!m_loop)
        return ErrDeviceNotOpen;
    if (m_stream)
        return ErrNone;

    Locked lock(m_loop);
    if (pa_context_get_state(m_context) != PA_CONTEXT_READY)
        return ErrStart;
    m_stream = pa_stream_new(m_context, "Recording", &m_spec, &m_map);
    if (!m_stream)
        return ErrStart;
    m_run.clear();
    m_runBase = 0;
    m_received = 0;
    m_failed = false;
    m_keepFrom = 0;
    m_keepTo = std::numeric_limits<quint64>::max();
    pa_stream_set_state_callback(m_stream, &PulseCapture::onStreamState, this);
    pa_stream_set_read_callback(m_stream, &PulseCapture::onReadable, this);

    pa_buffer_attr attr;
    attr.maxlength = attr.tlength = attr.prebuf = attr.minreq = quint32(-1);
    attr.fragsize = quint32(pa_usec_to_bytes(kFragment, &m_spec));
    // The stream goes to the input that Open found, not to one the server
    // might pick for it now.
    if (pa_stream_connect_record(m_stream, m_sourceName.constData(), &attr, PA_STREAM_ADJUST_LATENCY) < 0 ||
        !waitUntil([this] { return pa_stream_get_state(m_stream) != PA_STREAM_CREATING; }, kAnswerTimeout) ||
        pa_stream_get_state(m_stream) != PA_STREAM_READY) {
        dropStream();
        return ErrStart;
    }
    // The stream's clock tells how much of what it delivers the input took in
    // before now: an input that was running idle hands over its whole buffer
    // at once, one that works in long blocks its last block. The recording
    // starts after that.
    m_keepFrom = readClock().value_or(0);
    // Only now, so that the recording starts as it would without a tap.
    if (m_tap)
        startTap();
    return ErrNone;
}

int PulseCapture::stop()
{
    if (!m_loop)
        return ErrDeviceNotOpen;
    if (!m_stream)
        return ErrNone;

    Locked lock(m_loop);
    bool failed = !streamAlive();
    if (!failed) {
        if (const std::optional<quint64> end = readClock()) {
            const std::optional<quint64> tapEnd =
                m_tapStream ? readClock(m_tapStream) : std::optional<quint64>();
            if (tapEnd)
                m_tapTo = *tapEnd;
            // An input that works in long blocks hands the samples up to now
            // over with its next block: wait for them, at most two of the
            // stream's fragments, which the server makes as long as the block.
            const pa_buffer_attr *attr = pa_stream_get_buffer_attr(m_stream);
            const pa_usec_t fragment = attr ? pa_bytes_to_usec(attr->fragsize, &m_spec) : kFragment;
            waitUntil([this, end] { return m_received >= *end || !streamAlive(); },
                      std::min(2 * fragment + kStopSlack, kAnswerTimeout));
            m_keepTo = *end;
            // The tap's stream comes from the same input with the same
            // blocks; it gets a moment more, not the recording's whole wait.
            if (tapEnd) {
                waitUntil(
                    [this, tapEnd] {
                        return m_tapReceived >= *tapEnd ||
                               pa_stream_get_state(m_tapStream) != PA_STREAM_READY;
                    },
                    kTapStopSlack);
            }
        } else {
            m_keepTo = m_received;
        }
        failed = !streamAlive();
    }
    settle(m_keepTo);
    dropTapStream();
    dropStream();
    m_run.clear();
    return failed ? ErrCapture : ErrNone;
}

QByteArray PulseCapture::takeCaptured()
{
    if (m_loop && m_stream) {
        Locked lock(m_loop);
        settle(m_keepTo);
    }
    QByteArray taken;
    taken.swap(m_captured);
    return taken;
}

int PulseCapture::close()
{
    if (m_loop) {
        {
            Locked lock(m_loop);
            dropTapStream();
            dropStream();
            if (m_context) {
                pa_context_set_state_callback(m_context, nullptr, nullptr);
                pa_context_disconnect(m_context);
                pa_context_unref(m_context);
                m_context = nullptr;
            }
        }
        pa_threaded_mainloop_stop(m_loop);
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
    }
    m_sourceName.clear();
    m_run.clear();
    m_captured.clear();
    m_failed = false;
    return ErrNone;
}

// Starts the loop and connects to the server; false when none answers.
bool PulseCapture::connectToServer()
{
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop)
        return false;
    const QByteArray app = QCoreApplication::applicationName().toUtf8();
    m_context =
        pa_context_new(pa_threaded_mainloop_get_api(m_loop), app.isEmpty() ? "daro" : app.constData());
    if (!m_context)
        return false;
    Locked lock(m_loop);
    pa_context_set_state_callback(m_context, &PulseCapture::onContextState, this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(m_loop) < 0)
        return false;
    const auto state = [this] { return pa_context_get_state(m_context); };
    waitUntil([&] { return state() == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state()); }, kAnswerTimeout);
    return state() == PA_CONTEXT_READY;
}

// The name of the server's default input, empty when it has none.
QByteArray PulseCapture::defaultSourceName()
{
    struct Answer
    {
        pa_threaded_mainloop *loop;
        QByteArray name;
    } answer{m_loop, {}};
    Locked lock(m_loop);
    pa_operation *asked = pa_context_get_server_info(
        m_context,
        [](pa_context *, const pa_server_info *info, void *data) {
            auto *answer = static_cast<Answer *>(data);
            if (info && info->default_source_name)
                answer->name = info->default_source_name;
            pa_threaded_mainloop_signal(answer->loop, 0);
        },
        &answer);
    if (!asked)
        return {};
    waitUntil([asked] { return pa_operation_get_state(asked) != PA_OPERATION_RUNNING; }, kAnswerTimeout);
    // A late answer must not reach `answer` once it is gone.
    pa_operation_cancel(asked);
    pa_operation_unref(asked);
    return answer.name;
}

// With the loop's lock held: waits until done() or the timeout. The server
// thread signals after every event it hands to us; a timer event of its own
// ends the wait when nothing else comes.
bool PulseCapture::waitUntil(const std::function<bool()> &done, pa_usec_t timeout)
{
    struct Alarm
    {
        pa_threaded_mainloop *loop;
        bool rang;
    } alarm{m_loop, false};
    pa_time_event *timer = pa_context_rttime_new(
        m_context, pa_rtclock_now() + timeout,
        [](pa_mainloop_api *, pa_time_event *, const timeval *, void *data) {
            auto *alarm = static_cast<Alarm *>(data);
            alarm->rang = true;
            pa_threaded_mainloop_signal(alarm->loop, 0);
        },
        &alarm);
    if (!timer)
        return done();
    while (!done() && !alarm.rang)
        pa_threaded_mainloop_wait(m_loop);
    pa_mainloop_api *api = pa_threaded_mainloop_get_api(m_loop);
    api->time_free(timer);
    return done();
}

// With the loop's lock held: the stream's position by its clock, the server's
// sample count up to the present moment, in whole frames.
std::optional<quint64> PulseCapture::readClock()
{
    return readClock(m_stream);
}

std::optional<quint64> PulseCapture::readClock(pa_stream *stream)
{
    m_clock.reset();
    pa_operation *asked = pa_stream_update_timing_info(stream, &PulseCapture::onClock, this);
    if (!asked)
        return std::nullopt;
    waitUntil([asked] { return pa_operation_get_state(asked) != PA_OPERATION_RUNNING; }, kAnswerTimeout);
    pa_operation_cancel(asked);
    pa_operation_unref(asked);
    return m_clock;
}

bool PulseCapture::streamAlive() const
{
    return !m_failed && m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY;
}

// With the loop's lock held: moves the stream's bytes up to `upTo` into the
// recording, dropping those before m_keepFrom.
void PulseCapture::settle(quint64 upTo)
{
    const quint64 end = std::clamp(upTo, m_runBase, m_received);
    const quint64 begin = std::clamp(m_keepFrom, m_runBase, end);
    m_captured.append(m_run.constData() + (begin - m_runBase), qsizetype(end - begin));
    m_run.remove(0, qsizetype(end - m_runBase));
    m_runBase = end;
}

// Disconnects and releases a record stream, its callbacks first, so that
// none of them comes after.
static void releaseStream(pa_stream *&stream)
{
    if (!stream)
        return;
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_read_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    stream = nullptr;
}

void PulseCapture::dropStream()
{
    releaseStream(m_stream);
}

void PulseCapture::onContextState(pa_context *, void *self)
{
    pa_threaded_mainloop_signal(static_cast<PulseCapture *>(self)->m_loop, 0);
}

void PulseCapture::onStreamState(pa_stream *stream, void *self)
{
    auto *capture = static_cast<PulseCapture *>(self);
    // An input that goes away, or a server that quits, fails the capture.
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
        capture->m_failed = true;
    pa_threaded_mainloop_signal(capture->m_loop, 0);
}

void PulseCapture::onReadable(pa_stream *stream, size_t, void *self)
{
    auto *capture = static_cast<PulseCapture *>(self);
    const void *data = nullptr;
    size_t length = 0;
    while (pa_stream_peek(stream, &data, &length) == 0 && length > 0) {
        // A hole in the stream is silence of its length, so that positions
        // keep matching the clock.
        if (data)
            capture->m_run.append(static_cast<const char *>(data), qsizetype(length));
        else
            capture->m_run.append(qsizetype(length), capture->m_silence);
        capture->m_received += length;
        pa_stream_drop(stream);
    }
    pa_threaded_mainloop_signal(capture->m_loop, 0);
}

// Reads the clock as the answer comes, before the server thread handles the
// samples that follow it.
void PulseCapture::onClock(pa_stream *stream, int success, void *self)
{
    auto *capture = static_cast<PulseCapture *>(self);
    pa_usec_t now = 0;
    if (success && pa_stream_get_time(stream, &now) == 0)
        capture->m_clock = pa_usec_to_bytes(now, pa_stream_get_sample_spec(stream));
    pa_threaded_mainloop_signal(capture->m_loop, 0);
}

void PulseCapture::setSampleTap(SampleTap tap)
{
    if (!m_loop) {
        m_tap = std::move(tap);
        return;
    }
    Locked lock(m_loop);
    m_tap = std::move(tap);
    if (!m_tap)
        dropTapStream();
    else if (m_stream && !m_tapStream)
        startTap();
}

// With the loop's lock held and the recording's stream running: a second
// stream for the tap. It failing leaves the recording as it is; the tap then
// gets nothing.
void PulseCapture::startTap()
{
    m_tapSpec = pa_sample_spec{PA_SAMPLE_S16LE, kTapRate, 1};
    pa_channel_map map;
    pa_channel_map_init_mono(&map);
    m_tapStream = pa_stream_new(m_context, "Listening", &m_tapSpec, &map);
    if (!m_tapStream)
        return;
    m_tapFrom.reset();
    m_tapTo = std::numeric_limits<quint64>::max();
    m_tapReceived = 0;
    m_tapHeld.clear();
    pa_stream_set_state_callback(
        m_tapStream,
        [](pa_stream *, void *self) {
            pa_threaded_mainloop_signal(static_cast<PulseCapture *>(self)->m_loop, 0);
        },
        this);
    pa_stream_set_read_callback(m_tapStream, &PulseCapture::onTapReadable, this);
    pa_buffer_attr attr;
    attr.maxlength = attr.tlength = attr.prebuf = attr.minreq = quint32(-1);
    attr.fragsize = quint32(pa_usec_to_bytes(kFragment, &m_tapSpec));
    if (pa_stream_connect_record(m_tapStream, m_sourceName.constData(), &attr, PA_STREAM_ADJUST_LATENCY) <
            0 ||
        !waitUntil([this] { return pa_stream_get_state(m_tapStream) != PA_STREAM_CREATING; },
                   kAnswerTimeout) ||
        pa_stream_get_state(m_tapStream) != PA_STREAM_READY) {
        dropTapStream();
        return;
    }
    // As with the recording: what the input took in before now is not
    // handed over. It goes when the next sound comes, on the server's thread.
    m_tapFrom = readClock(m_tapStream).value_or(0);
}

// With the loop's lock held: bytes [at, at + length) of the tap's stream,
// of which the tap gets those between the clock at start and at stop.
void PulseCapture::handToTap(const char *data, quint64 at, quint64 length)
{
    if (!m_tap || !m_tapFrom)
        return;
    // Whole samples only: both ends are kept to even positions.
    const quint64 from = std::max(at, *m_tapFrom + (*m_tapFrom & 1));
    const quint64 to = std::min(at + length, m_tapTo) & ~quint64(1);
    if (to <= from)
        return;
    m_tapSamples.resize(size_t((to - from) / 2));
    std::memcpy(m_tapSamples.data(), data + (from - at), size_t(to - from));
    m_tap(m_tapSamples.data(), qsizetype(m_tapSamples.size()), kTapRate);
}

void PulseCapture::dropTapStream()
{
    releaseStream(m_tapStream);
    m_tapHeld.clear();
}

void PulseCapture::onTapReadable(pa_stream *stream, size_t, void *self)
{
    auto *capture = static_cast<PulseCapture *>(self);
    const void *data = nullptr;
    size_t length = 0;
    while (pa_stream_peek(stream, &data, &length) == 0 && length > 0) {
        if (data)
            capture->m_tapHeld.append(static_cast<const char *>(data), qsizetype(length));
        else
            capture->m_tapHeld.append(qsizetype(length), '\0');
        capture->m_tapReceived += length;
        pa_stream_drop(stream);
    }
    if (capture->m_tapFrom) {
        const auto held = quint64(capture->m_tapHeld.size());
        capture->handToTap(capture->m_tapHeld.constData(), capture->m_tapReceived - held, held);
        capture->m_tapHeld.clear();
    }
    pa_threaded_mainloop_signal(capture->m_loop, 0);
}
