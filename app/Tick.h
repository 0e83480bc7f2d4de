#pragma once

#include <cstdint>
#include <functional>

// A 32-bit millisecond tick count that wraps around after about 49.7 days. Elapsed time is
// always taken as an unsigned difference of two ticks, which stays right across the wrap.
using TickSource = std::function<uint32_t()>;

// The steady clock in milliseconds, cut to 32 bits.
uint32_t SteadyTickCount();

inline uint32_t TicksSince(uint32_t dwNow, uint32_t dwStart) {
    return dwNow - dwStart;
}
