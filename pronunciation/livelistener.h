// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pronunciation/readinglistener.h"
#include "pronunciation/recogniser.h"
#include "pronunciation/wordjudge.h"

#include <memory>
#include <thread>

// The listener the program uses: decodes the reading while it is recorded,
// on a thread of its own that starts, and loads the recogniser module and
// its model, at the first begin(); until then it holds nothing. It keeps the
// reading's sound (up to kLongestReadingSeconds), so that a text changed
// before finish() is checked against the whole of it. Nothing it does waits
// for the decoder; a module or model that does not load, or a decoder that
// fails, gives ok == false and one line on stderr.
class LiveListener : public ReadingListener
{
public:
    // Longer readings are not analysed: their sound would take too much room.
    static constexpr int kLongestReadingSeconds = 300;

    explicit LiveListener(RecogniserModel model = RecogniserModel::installed(),
                          RecogniserSettings settings = {}, JudgeThresholds thresholds = {});
    ~LiveListener() override;
    LiveListener(const LiveListener &) = delete;
    LiveListener &operator=(const LiveListener &) = delete;

    void begin(const QString &text) override;
    void feed(const qint16 *samples, qsizetype count, quint32 rate) override;
    void finish(const QString &text, QObject *context,
                std::function<void(const ReadingCheck &)> done) override;
    void cancel() override;

private:
    struct Shared;
    void run();

    std::shared_ptr<Shared> m_shared;
    std::thread m_worker;
};
