// Runs a call under a structured-exception guard (GCC on i686 has no
// __try): an access violation, a raised code such as a delay-load failure,
// or a stack overflow inside the call comes back as a result.
#pragma once

#include <windows.h>

namespace base {

struct SehFailure {
  DWORD code = 0;
  // The first exception parameter (for delay-load failures: the
  // DelayLoadInfo pointer), valid only while the faulting module is loaded.
  ULONG_PTR parameter = 0;
  // For a delay-load failure (0xC06D007E module not found, 0xC06D007F
  // procedure not found): the DLL name and the imported procedure's name,
  // copied while the exception is handled. Empty for an import by ordinal
  // and for every other code.
  char dll_name[64] = {};
  char proc_name[128] = {};
};

constexpr DWORD kDelayLoadModuleNotFound = 0xC06D007E;
constexpr DWORD kDelayLoadProcNotFound = 0xC06D007F;

// Calls `fn(context)`. True when it returned normally; false when a
// structured exception ended it, with `failure` filled in.
bool RunWithSehGuard(void (*fn)(void*), void* context, SehFailure* failure);

template <class F>
bool RunWithSehGuard(F&& f, SehFailure* failure) {
  return RunWithSehGuard([](void* c) { (*static_cast<F*>(c))(); }, &f, failure);
}

}  // namespace base
