// Clocks and identities of the running process.
#pragma once

#include <cstdint>

#include "common/date_time.h"

namespace kvr::platform {

// Milliseconds since an arbitrary start, wrapping at 2^32 like GetTickCount.
std::uint32_t TickCount();
// The local date and time now, to the millisecond.
TDateTime Now();
// The local date now (no time part).
TDateTime Today();
std::uint32_t CurrentProcessId();
std::uint32_t CurrentThreadId();
// The account the process runs as (its effective user id).
std::uint32_t CurrentUserId();
// Sleeps the calling thread.
void SleepMs(std::uint32_t ms);

}  // namespace kvr::platform
