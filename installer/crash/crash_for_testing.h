// Test builds only: makes the installer crash on request, so that tests can
// see the crash handler at work. Release builds have an empty function.
#pragma once

#include "build_config.h"

namespace crash {

#if KELMOR_TEST_BUILD
// KELMOR_TEST_CRASH: "access-violation" (a write through a null pointer on
// this thread), "thread" (the same on a new thread while this one waits) or
// "raise" (an unhandled RaiseException with code 0xE0000001).
void CrashIfRequestedForTesting();
#else
inline void CrashIfRequestedForTesting() {}
#endif

}  // namespace crash
