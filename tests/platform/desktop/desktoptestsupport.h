// SPDX-License-Identifier: MIT
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

// Waits for `predicate` with the event loop running, so that the bus services
// of the test process answer meanwhile.
template <typename Predicate> bool waitUntil(Predicate predicate, int timeoutMs = 5000)
{
    return QTest::qWaitFor(predicate, timeoutMs);
}

// Runs a program to its end with the event loop running; its standard output,
// trimmed. `ok` is false when it failed or took longer than `timeoutMs`.
inline QString runProgram(const QString& program, const QStringList& arguments, bool* ok = nullptr,
                          int timeoutMs = 10000)
{
    QProcess process;
    process.start(program, arguments);
    const bool ended =
        process.waitForStarted(timeoutMs) &&
        waitUntil([&] { return process.state() == QProcess::NotRunning; }, timeoutMs);
    if (!ended) {
        process.kill();
        process.waitForFinished();
    }
    if (ok) {
        *ok = ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// playerctl, the MPRIS client of Debian, on the player named `player`.
inline QString playerctl(const QStringList& arguments, bool* ok = nullptr,
                         const QString& player = QStringLiteral("merosonx"))
{
    return runProgram(QStringLiteral("playerctl"),
                      QStringList{QStringLiteral("--player"), player} + arguments, ok);
}
