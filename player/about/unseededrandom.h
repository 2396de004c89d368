// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// The program's uniform pseudo-random generator. It is never seeded, so every
// run draws the same sequence: the classic 24-bit linear congruential
// generator, x = (x * 0x43FD43FD + 0xC39EC3) mod 2^24, starting from 0x50000.
class UnseededRandom
{
public:
    static constexpr std::uint32_t kInitialState = 0x50000;

    explicit UnseededRandom(std::uint32_t state = kInitialState) : m_state(state & kMask) {}

    // The next number: a multiple of 2^-24 in [0, 1), never 1.
    float next();
    std::uint32_t state() const { return m_state; }

private:
    static constexpr std::uint32_t kMask = 0xFFFFFF;
    std::uint32_t m_state = kInitialState;
};
