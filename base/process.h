// Processes, threads and waitable events.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "base/scoped_handle.h"

namespace base {

struct LaunchOptions {
  std::wstring current_directory;  // empty: inherit
  bool hide_window = false;        // CREATE_NO_WINDOW and SW_HIDE
  bool inherit_handles = false;
};

// Starts `command_line` (program included, already quoted). Returns the
// process handle, or an empty one with the system error left in GetLastError.
ScopedHandle LaunchProcess(const std::wstring& command_line, const LaunchOptions& options = {},
                           DWORD* process_id = nullptr);

// Waits for a process; nullopt on time-out or a failed wait.
std::optional<DWORD> WaitForExitCode(HANDLE process, DWORD timeout_ms = INFINITE);

// Whether `event` is signalled now: false for null, true when it cannot be
// waited on (a stop event that fails stops).
inline bool IsSignalled(HANDLE event) {
  return event && ::WaitForSingleObject(event, 0) != WAIT_TIMEOUT;
}

// A manual- or auto-reset event (anonymous or named).
class WaitableEvent {
 public:
  enum class ResetPolicy { kManual, kAutomatic };
  explicit WaitableEvent(ResetPolicy reset = ResetPolicy::kManual, bool signaled = false,
                         const wchar_t* name = nullptr);
  explicit WaitableEvent(ScopedHandle handle) : handle_(std::move(handle)) {}

  bool is_valid() const { return handle_.is_valid(); }
  void Signal() { ::SetEvent(handle_.get()); }
  void Reset() { ::ResetEvent(handle_.get()); }
  bool IsSignaled() const { return ::WaitForSingleObject(handle_.get(), 0) == WAIT_OBJECT_0; }
  // True when signalled within the time-out.
  bool TimedWait(DWORD timeout_ms) const {
    return ::WaitForSingleObject(handle_.get(), timeout_ms) == WAIT_OBJECT_0;
  }
  HANDLE handle() const { return handle_.get(); }

 private:
  ScopedHandle handle_;
};

// A thread running one function. Joins on destruction.
class Thread {
 public:
  Thread() = default;
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  ~Thread() { Join(); }

  bool Start(std::function<void()> body);
  bool is_running() const;
  // Waits for the thread to end; false on time-out (the thread keeps running).
  bool Join(DWORD timeout_ms = INFINITE);
  HANDLE handle() const { return handle_.get(); }
  DWORD id() const { return id_; }

 private:
  static DWORD WINAPI Entry(void* param);
  std::function<void()> body_;
  ScopedHandle handle_;
  DWORD id_ = 0;
};

}  // namespace base
