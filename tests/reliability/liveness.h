// SPDX-License-Identifier: MIT
#pragma once

#include "workbudget.h"

#include <QCoreApplication>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// "The UI answers within a second": an event posted to the UI thread is
// handled within that time (longer in sanitizer builds; a hang still fails).
inline constexpr qint64 kAnswerMs = budgetMs(1000);

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
