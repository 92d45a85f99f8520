// Monotonic clock in microseconds (time spent in sleep does not count).
#pragma once

#include <cstdint>

namespace base {

uint64_t MonotonicMicros();

}  // namespace base
