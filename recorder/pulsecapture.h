// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recorder/capturebackend.h"

#include <QByteArray>

#include <pulse/channelmap.h>
#include <pulse/sample.h>

#include <functional>
#include <limits>
#include <optional>
#include <vector>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

// Capture from the sound server's default input (PulseAudio, or a server that
// speaks its protocol) on a record stream of our own. Qt's QAudioSource does
// not know which input the server takes as its default, and it hides the
// stream's clock; the clock is what tells the samples between Record and Stop
// from those an input hands over late, early or in long blocks.
class PulseCapture : public CaptureBackend
{
public:
    PulseCapture() = default;
    ~PulseCapture() override;
    PulseCapture(const PulseCapture &) = delete;
    PulseCapture &operator=(const PulseCapture &) = delete;

    // Asks the server for its default input, the one later captured from.
    int open(quint16 channels, quint16 bitsPerSample, quint32 sampleRate) override;
    int start() override;
    // Waits for the samples up to now that the input still holds back.
    int stop() override;
    QByteArray takeCaptured() override;
    int close() override;
    // The tap gets the sound from a second record stream on the same input,
    // 16-bit mono at 16 kHz whatever the recording's format, so that the
    // recording itself goes on exactly as without it. A tap set while
    // capturing starts getting sound at once.
    void setSampleTap(SampleTap tap) override;

    static constexpr quint32 kTapRate = 16000;

private:
    bool connectToServer();
    QByteArray defaultSourceName();
    bool waitUntil(const std::function<bool()> &done, pa_usec_t timeout);
    std::optional<quint64> readClock();
    std::optional<quint64> readClock(pa_stream *stream);
    bool streamAlive() const;
    void settle(quint64 upTo);
    void dropStream();
    void startTap();
    void handToTap(const char *data, quint64 at, quint64 length);
    void dropTapStream();

    static void onContextState(pa_context *context, void *self);
    static void onStreamState(pa_stream *stream, void *self);
    static void onReadable(pa_stream *stream, size_t length, void *self);
    static void onClock(pa_stream *stream, int success, void *self);
    static void onTapReadable(pa_stream *stream, size_t length, void *self);

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    QByteArray m_sourceName;
    pa_sample_spec m_spec{};
    pa_channel_map m_map{};
    char m_silence = 0;

    // Shared with the server thread, under the loop's lock. Positions count
    // bytes of the stream since it started; m_run holds those from m_runBase
    // to m_received, not yet settled into m_captured.
    QByteArray m_run;
    quint64 m_runBase = 0;
    quint64 m_received = 0;
    bool m_failed = false;
    std::optional<quint64> m_clock;

    // The recording is the stream from m_keepFrom (where it stood at Record)
    // to m_keepTo (where it stood at Stop).
    quint64 m_keepFrom = 0;
    quint64 m_keepTo = std::numeric_limits<quint64>::max();
    QByteArray m_captured;

    // The tap and its stream, under the loop's lock once the loop runs.
    // Positions count the tap stream's bytes since it started; what comes
    // before its clock is read waits in m_tapHeld.
    SampleTap m_tap;
    pa_stream *m_tapStream = nullptr;
    pa_sample_spec m_tapSpec{};
    std::optional<quint64> m_tapFrom;
    quint64 m_tapTo = std::numeric_limits<quint64>::max();
    quint64 m_tapReceived = 0;
    QByteArray m_tapHeld;
    std::vector<qint16> m_tapSamples;
};
