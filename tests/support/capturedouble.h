// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recorder/capturebackend.h"
#include "recorder/recordererror.h"

#include <QByteArray>
#include <QStringList>

#include <memory>

// A capture device for tests. The script is shared with the test, so it stays
// reachable after the recorder has taken the double: it logs every call the
// backend receives, lets any step fail with a chosen code, and feed() plays
// the part of the microphone while capture runs, feedTap() its part for the
// sample tap.
class CaptureDouble : public CaptureBackend
{
public:
    struct Script
    {
        QStringList calls;
        int openResult = ErrNone;
        int startResult = ErrNone;
        int stopResult = ErrNone;
        int closeResult = ErrNone;

        bool isOpen = false;
        bool capturing = false;
        quint16 channels = 0;
        quint16 bits = 0;
        quint32 rate = 0;
        QByteArray captured;
        SampleTap tap;

        // Samples reach the capture only while it runs, as with a microphone.
        void feed(const QByteArray &samples)
        {
            if (capturing)
                captured += samples;
        }
        void feedTap(const QList<qint16> &samples, quint32 rate)
        {
            if (capturing && tap)
                tap(samples.constData(), samples.size(), rate);
        }
    };

    std::shared_ptr<Script> script = std::make_shared<Script>();

    int open(quint16 channels, quint16 bitsPerSample, quint32 sampleRate) override
    {
        script->calls << QStringLiteral("open %1 %2 %3").arg(channels).arg(bitsPerSample).arg(sampleRate);
        if (script->isOpen)
            return ErrDeviceOpen;
        if (script->openResult != ErrNone)
            return script->openResult;
        script->isOpen = true;
        script->channels = channels;
        script->bits = bitsPerSample;
        script->rate = sampleRate;
        script->captured.clear();
        return ErrNone;
    }

    int start() override
    {
        script->calls << QStringLiteral("start");
        if (!script->isOpen)
            return ErrDeviceNotOpen;
        if (script->startResult != ErrNone)
            return script->startResult;
        script->capturing = true;
        return ErrNone;
    }

    int stop() override
    {
        script->calls << QStringLiteral("stop");
        if (!script->isOpen)
            return ErrDeviceNotOpen;
        // A device that fails here has stopped all the same.
        script->capturing = false;
        return script->stopResult;
    }

    QByteArray takeCaptured() override
    {
        script->calls << QStringLiteral("take");
        const qsizetype frame = qsizetype(script->channels) * (script->bits / 8);
        const qsizetype whole = frame > 0 ? script->captured.size() - script->captured.size() % frame : 0;
        QByteArray taken = script->captured.left(whole);
        script->captured.remove(0, whole);
        return taken;
    }

    void setSampleTap(SampleTap tap) override { script->tap = std::move(tap); }

    int close() override
    {
        script->calls << QStringLiteral("close");
        // The device is let go whatever the result.
        script->isOpen = false;
        script->capturing = false;
        script->captured.clear();
        return script->closeResult;
    }
};
