#include "installer/crash/crash_for_testing.h"

#if KELMOR_TEST_BUILD
#include <windows.h>

#include "base/logging.h"
#include "base/scoped_handle.h"
#include "base/test_hooks.h"

namespace crash {
namespace {

__attribute__((noinline)) void WriteThroughNull() {
  volatile int* volatile target = nullptr;
  *target = 0x4B454C;
}

DWORD WINAPI CrashingThread(void*) {
  WriteThroughNull();
  return 0;
}

}  // namespace

void CrashIfRequestedForTesting() {
  const auto kind = base::GetTestHook("CRASH");
  if (!kind) return;
  LOG(INFO) << "Crashing on request: " << *kind;
  if (*kind == "access-violation") {
    WriteThroughNull();
  } else if (*kind == "thread") {
    base::ScopedHandle thread(::CreateThread(nullptr, 0, &CrashingThread, nullptr, 0, nullptr));
    if (thread) ::WaitForSingleObject(thread.get(), INFINITE);
  } else if (*kind == "raise") {
    ::RaiseException(0xE0000001, 0, 0, nullptr);
  }
}

}  // namespace crash
#endif
