// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTemporaryDir>

// The private, headless PulseAudio server of tests/pulse-test-server.sh, for
// this process and its children: a null sink "daro_sink", its monitor as the
// input "daro_mic" and the sources "daro_tone" and "daro_idle", so a benchmark
// never plays into or records from a real sound card. Start it before the
// application object exists: the sound system reads PULSE_SERVER once.
class PrivateSoundServer
{
public:
    PrivateSoundServer();
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer &) = delete;
    PrivateSoundServer &operator=(const PrivateSoundServer &) = delete;

    bool start();
    QString errorString() const { return m_error; }
    // Starts it unless PULSE_SERVER names a server already; says on stderr why it could not.
    bool startUnlessGiven();

private:
    QString m_script;
    QTemporaryDir m_dir{QStringLiteral("/tmp/daro-bench-XXXXXX")};
    bool m_started = false;
    QString m_error;
};
