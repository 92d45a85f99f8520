#include "base/clock.h"

#include <windows.h>

#include <realtimeapiset.h>

namespace base {

uint64_t MonotonicMicros() {
  ULONGLONG hundred_ns = 0;
  ::QueryUnbiasedInterruptTime(&hundred_ns);
  return hundred_ns / 10;
}

}  // namespace base
