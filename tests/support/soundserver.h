// SPDX-License-Identifier: MIT
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTest>

// A PulseAudio server in a runtime folder of its own; libmpv finds it
// through XDG_RUNTIME_DIR and PULSE_RUNTIME_PATH.
class SoundServer
{
public:
    explicit SoundServer(const QString& runtime) : m_runtime(runtime) {}
    ~SoundServer() { stop(); }

    bool start()
    {
        m_server.setProcessEnvironment(environment());
        m_server.start(QStringLiteral("pulseaudio"),
                       {"-n", "--daemonize=no", "--exit-idle-time=-1", "--system=no",
                        "--disallow-exit", "-L", "module-null-sink", "-L",
                        "module-native-protocol-unix"});
        if (!m_server.waitForStarted())
            return false;
        return QTest::qWaitFor([&] { return answers(); }, 10000);
    }
    void stop()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        m_server.kill();
        m_server.waitForFinished();
    }
    // The player's stream is connected to the server.
    bool hasPlayerStream()
    {
        QProcess pactl;
        pactl.setProcessEnvironment(environment());
        pactl.start(QStringLiteral("pactl"), {"list", "sink-inputs"});
        pactl.waitForFinished();
        return pactl.readAllStandardOutput().contains("Mero Sonx");
    }

private:
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", m_runtime);
        env.insert("PULSE_RUNTIME_PATH", m_runtime + "/pulse");
        return env;
    }
    bool answers()
    {
        QProcess pactl;
        pactl.setProcessEnvironment(environment());
        pactl.start(QStringLiteral("pactl"), {"info"});
        return pactl.waitForFinished() && pactl.exitCode() == 0;
    }

    QString m_runtime;
    QProcess m_server;
};
