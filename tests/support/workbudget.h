// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>
#include <ctime>

// Budgets for work that must stay quick on large input: they catch a hang or
// a step that grows with the square of the input, not a slow machine. Time is
// the calling thread's processor time, so other programs busy on the machine
// do not count. Sanitizer builds run several times slower; there the budgets
// grow.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitized = true;
#else
inline constexpr bool kAddressSanitized = false;
#endif
#else
inline constexpr bool kAddressSanitized = false;
#endif

inline constexpr int kSanitizerSlowdown = kAddressSanitized ? 5 : 1;

// `plainMs` as allowed in this build.
inline constexpr qint64 budgetMs(qint64 plainMs)
{
    return plainMs * kSanitizerSlowdown;
}

// Milliseconds of processor time the calling thread has used.
inline qint64 threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
