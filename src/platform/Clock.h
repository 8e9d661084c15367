#pragma once

#include <cstdint>

namespace kvt::platform {

// Milliseconds of a steady clock, wrapping at 2^32 like the Windows tick counter. Differences
// are taken in 32-bit unsigned arithmetic so that a wrap in between does no harm.
std::uint32_t tickCount();

// Milliseconds from `start` to now, correct across one wrap.
std::uint32_t ticksSince(std::uint32_t start);

void sleepMs(std::uint32_t milliseconds);

// The current local time as days since 30.12.1899, with the time of day as the fraction and
// millisecond resolution.
double nowAsDateTime();

}  // namespace kvt::platform
