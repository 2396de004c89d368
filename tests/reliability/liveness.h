// SPDX-License-Identifier: MIT
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
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

// Runs `action` from the event loop, as a menu click would run it, and
// returns how many milliseconds passed until an event posted right after it
// was handled, or -1 if that took more than 30 s (a hang).
inline qint64 msUntilTheUiAnswers(const std::function<void()>& action = {})
{
    QElapsedTimer clock;
    clock.start();
    auto answeredAt = std::make_shared<qint64>(-1);
    if (action)
        QMetaObject::invokeMethod(qApp, action, Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        qApp, [answeredAt, clock] { *answeredAt = clock.elapsed(); }, Qt::QueuedConnection);
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
