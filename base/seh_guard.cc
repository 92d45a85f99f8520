#include "base/seh_guard.h"

#include <delayimp.h>

namespace base {
namespace {

__attribute__((noinline)) void CallOutOfLine(void (*fn)(void*), void* context) { fn(context); }

// Whether [p, p + size) is committed, readable memory. Asks the memory
// manager instead of touching it: a fault here would land in the guard's
// own handler.
bool IsReadable(const void* p, size_t size) {
  auto at = reinterpret_cast<uintptr_t>(p);
  const uintptr_t end = at + size;
  if (!p || end < at) return false;
  while (at < end) {
    MEMORY_BASIC_INFORMATION mbi;
    if (!::VirtualQuery(reinterpret_cast<const void*>(at), &mbi, sizeof(mbi))) return false;
    if (mbi.State != MEM_COMMIT || (mbi.Protect & (PAGE_NOACCESS | PAGE_GUARD)) ||
        !(mbi.Protect & (PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                         PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY)))
      return false;
    at = reinterpret_cast<uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
  }
  return true;
}

void CopyName(const char* from, char* to, size_t size) {
  to[0] = '\0';
  size_t i = 0;
  for (; i + 1 < size; ++i) {
    if (!IsReadable(from + i, 1)) break;
    if (!from[i]) break;
    to[i] = from[i];
  }
  to[i] = '\0';
}

// Runs inside the exception handler, while the delay-load helper's frame
// (which holds the DelayLoadInfo) is still alive. Copies without allocating.
void CaptureDelayLoadNames(const EXCEPTION_RECORD* record, char* dll, size_t dll_size, char* proc,
                           size_t proc_size) {
  dll[0] = proc[0] = '\0';
  if (record->ExceptionCode != kDelayLoadModuleNotFound &&
      record->ExceptionCode != kDelayLoadProcNotFound)
    return;
  if (record->NumberParameters < 1 || !record->ExceptionInformation[0]) return;
  const auto* info = reinterpret_cast<const DelayLoadInfo*>(record->ExceptionInformation[0]);
  if (!IsReadable(info, sizeof(*info)) || info->cb != sizeof(DelayLoadInfo)) return;
  CopyName(info->szDll, dll, dll_size);
  if (info->dlp.fImportByName) CopyName(info->dlp.szProcName, proc, proc_size);
}

// What a guard recorded of the failure that ended it, for the caller.
template <class Guard>
void CopyFailure(const Guard& guard, SehFailure* failure) {
  if (!failure) return;
  failure->code = guard.code;
  failure->parameter = guard.parameter;
  ::lstrcpynA(failure->dll_name, guard.dll_name, sizeof(failure->dll_name));
  ::lstrcpynA(failure->proc_name, guard.proc_name, sizeof(failure->proc_name));
}

}  // namespace

#if defined(__i386__)

namespace {

// An x86 exception registration record followed by the state to jump back.
struct GuardFrame {
  GuardFrame* next;
  void* handler;
  void* jump_buffer[5];  // for __builtin_setjmp
  DWORD code;
  ULONG_PTR parameter;
  char dll_name[64];
  char proc_name[128];
};

GuardFrame* ReadSehHead() {
  GuardFrame* head;
  asm volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}

void WriteSehHead(GuardFrame* head) { asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }

extern "C" EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* frame,
                                                      CONTEXT*, void*) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
    return ExceptionContinueSearch;
  auto* guard = static_cast<GuardFrame*>(frame);
  guard->code = record->ExceptionCode;
  guard->parameter = record->NumberParameters > 0 ? record->ExceptionInformation[0] : 0;
  CaptureDelayLoadNames(record, guard->dll_name, sizeof(guard->dll_name), guard->proc_name,
                        sizeof(guard->proc_name));
  // Let the frames inside the guarded call run their unwind handlers, then
  // resume behind the guard.
  ::RtlUnwind(frame, nullptr, record, nullptr);
  __builtin_longjmp(guard->jump_buffer, 1);
}

}  // namespace

__attribute__((noinline)) bool RunWithSehGuard(void (*fn)(void*), void* context,
                                               SehFailure* failure) {
  volatile GuardFrame frame = {};
  GuardFrame* const guard = const_cast<GuardFrame*>(&frame);
  guard->next = ReadSehHead();
  guard->handler = reinterpret_cast<void*>(&GuardHandler);
  WriteSehHead(guard);
  if (__builtin_setjmp(guard->jump_buffer) == 0) {
    CallOutOfLine(fn, context);
    WriteSehHead(guard->next);
    return true;
  }
  WriteSehHead(guard->next);
  CopyFailure(*guard, failure);
  return false;
}

#else  // 64-bit: a vectored handler jumps back to the innermost guard of the thread.

namespace {

struct Guard {
  void* jump_buffer[5];
  DWORD code;
  ULONG_PTR parameter;
  char dll_name[64];
  char proc_name[128];
  Guard* outer;
};

DWORD GuardSlot() {
  static const DWORD slot = ::TlsAlloc();
  return slot;
}

LONG CALLBACK VectoredGuard(EXCEPTION_POINTERS* info) {
  auto* guard = static_cast<Guard*>(::TlsGetValue(GuardSlot()));
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  // Only failures end a guarded call; informational exceptions (debug
  // output, C++ unwinding) pass through.
  if (!guard || (record->ExceptionCode & 0xC0000000) != 0xC0000000)
    return EXCEPTION_CONTINUE_SEARCH;
  guard->code = record->ExceptionCode;
  guard->parameter = record->NumberParameters > 0 ? record->ExceptionInformation[0] : 0;
  CaptureDelayLoadNames(record, guard->dll_name, sizeof(guard->dll_name), guard->proc_name,
                        sizeof(guard->proc_name));
  __builtin_longjmp(guard->jump_buffer, 1);
}

}  // namespace

__attribute__((noinline)) bool RunWithSehGuard(void (*fn)(void*), void* context,
                                               SehFailure* failure) {
  static PVOID handler = ::AddVectoredExceptionHandler(1, &VectoredGuard);
  (void)handler;
  volatile Guard storage = {};
  Guard* const guard = const_cast<Guard*>(&storage);
  guard->outer = static_cast<Guard*>(::TlsGetValue(GuardSlot()));
  ::TlsSetValue(GuardSlot(), guard);
  if (__builtin_setjmp(guard->jump_buffer) == 0) {
    CallOutOfLine(fn, context);
    ::TlsSetValue(GuardSlot(), guard->outer);
    return true;
  }
  ::TlsSetValue(GuardSlot(), guard->outer);
  CopyFailure(*guard, failure);
  return false;
}

#endif

}  // namespace base
