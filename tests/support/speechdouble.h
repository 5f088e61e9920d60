// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Speech/speechbackend.h"
#include "base/errors.h"

#include <QString>
#include <QStringList>

// A synthesiser that speaks nothing: it records what it is asked to do and can
// be told to fail any step the way the real one does.
class RecordingSpeechBackend : public SpeechBackend
{
public:
    // Set-up steps in the order they ran, by name.
    QStringList steps;
    // Texts handed to speak(), in order.
    QStringList spoken;

    int createAudioDestCalls = 0;
    int enumModesCalls = 0;
    int loadFirstModeCalls = 0;
    int selectModeCalls = 0;
    int speakCalls = 0;

    bool failCreateAudioDest = false; // Abort: no audio output
    bool failEnumModes = false;       // AppError
    bool failLoadFirstMode = false;   // AppError
    bool noModes = false;             // enumeration finds no voice: selection then aborts
    bool failSelectMode = false;      // Abort
    bool failSpeak = false;           // Abort, after the set-up succeeded

    QString enumError = QStringLiteral("The speech engine could not list its voices");
    QString loadError = QStringLiteral("The speech engine could not load its first voice");

    bool selected() const { return m_selected; }

    void createAudioDest() override
    {
        ++createAudioDestCalls;
        steps << QStringLiteral("createAudioDest");
        if (failCreateAudioDest)
            throw Abort();
    }

    void enumModes() override
    {
        ++enumModesCalls;
        steps << QStringLiteral("enumModes");
        if (failEnumModes)
            throw AppError(enumError);
    }

    void loadFirstMode() override
    {
        ++loadFirstModeCalls;
        steps << QStringLiteral("loadFirstMode");
        if (failLoadFirstMode)
            throw AppError(loadError);
        m_haveMode = !noModes;
    }

    void selectMode() override
    {
        ++selectModeCalls;
        steps << QStringLiteral("selectMode");
        m_selected = false;
        if (failSelectMode || !m_haveMode)
            throw Abort();
        m_selected = true;
    }

    void speak(const QString &text) override
    {
        ++speakCalls;
        if (!m_selected || failSpeak)
            throw Abort();
        spoken << text;
    }

private:
    bool m_haveMode = false;
    bool m_selected = false;
};
