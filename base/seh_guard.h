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
};

// Calls `fn(context)`. True when it returned normally; false when a
// structured exception ended it, with `failure` filled in.
bool RunWithSehGuard(void (*fn)(void*), void* context, SehFailure* failure);

template <class F>
bool RunWithSehGuard(F&& f, SehFailure* failure) {
  return RunWithSehGuard([](void* c) { (*static_cast<F*>(c))(); }, &f, failure);
}

}  // namespace base
