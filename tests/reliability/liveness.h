// SPDX-License-Identifier: MIT
#pragma once

#include <QCoreApplication>
#include <ctime>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// "The UI answers within a second": an event posted to the UI thread is
// handled within that time. Sanitizer builds run several times slower, so
// there the allowance grows; a hang still fails.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr int kAnswerMs = 5000;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr int kAnswerMs = 5000;
#else
inline constexpr int kAnswerMs = 1000;
#endif
#else
inline constexpr int kAnswerMs = 1000;
#endif

// Milliseconds of processor time the calling thread has used.
inline qint64 threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Runs `action` from the event loop, as a menu click would run it, and
// returns how many milliseconds of the UI thread's time went by until an event
// posted right after it was handled, or -1 if that took more than 30 s of the
// clock (a hang). Processor time, not the clock: other programs busy on the
// machine (a build beside the tests) do not make a fast UI look slow.
inline qint64 msUntilTheUiAnswers(const std::function<void()>& action = {})
{
    const qint64 startCpu = threadCpuMs();
    auto answeredAt = std::make_shared<qint64>(-1);
    if (action)
        QMetaObject::invokeMethod(qApp, action, Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        qApp, [answeredAt, startCpu] { *answeredAt = threadCpuMs() - startCpu; },
        Qt::QueuedConnection);
    return QTest::qWaitFor([&] { return *answeredAt >= 0; }, 30000) ? *answeredAt : -1;
}

// For EXPECT_TRUE: the UI answered, within kAnswerMs, after `action`.
inline ::testing::AssertionResult uiAnswers(const std::function<void()>& action = {})
{
    const qint64 ms = msUntilTheUiAnswers(action);
    if (ms < 0)
        return ::testing::AssertionFailure() << "the UI did not answer within 30 s";
    if (ms > kAnswerMs)
        return ::testing::AssertionFailure()
               << "the UI answered after " << ms << " ms (allowed " << kAnswerMs << ")";
    return ::testing::AssertionSuccess();
}
