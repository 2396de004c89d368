// SPDX-License-Identifier: MIT
#include "unseededrandom.h"

float UnseededRandom::next()
{
    m_state = (m_state * 0x43FD43FDu + 0xC39EC3u) & kMask;
    return float(m_state) / 16777216.0f; // exact: 24 bits fit a float's mantissa
}
