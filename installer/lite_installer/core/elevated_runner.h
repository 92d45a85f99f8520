// The elevated instance of the installer, seen from the first installer:
// started early, kept waiting, released to run setup, then ended.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/scoped_handle.h"

namespace lite_installer {

extern const wchar_t kElevatedGoAheadEventName[];
extern const wchar_t kElevatedStopEventName[];

// How long the instance may take to end once the parent is done with it
// before it is terminated: 30 seconds (test builds: hook ELEVATED_GRACE_MS).
DWORD ElevatedGraceMs();

class ElevatedRunner {
 public:
  ElevatedRunner();
  ElevatedRunner(const ElevatedRunner&) = delete;
  ElevatedRunner& operator=(const ElevatedRunner&) = delete;

  virtual void Attach(HANDLE process, HWND owner_window);
  virtual ~ElevatedRunner();
  // Releases the instance and waits for it or for `stop_event`; true when
  // it exited with 0.
  virtual bool RunModule(HANDLE stop_event);
  // Waits up to 30 seconds for the instance, then terminates it.
  virtual void EnsureProcessFinished();

  int32_t exit_code() const { return exit_code_; }
  bool released() const { return released_; }
  bool hung() const { return hung_; }
  // The window that owns the elevation prompt (destroyed with the runner).
  void set_owner_window(HWND owner) { owner_window_ = owner; }

 private:
  base::ScopedHandle process_;
  HWND owner_window_ = nullptr;
  base::ScopedHandle go_ahead_event_;
  base::ScopedHandle stop_event_;
  bool released_ = false;
  bool hung_ = false;
  int32_t exit_code_ = -1;
};

}  // namespace lite_installer
