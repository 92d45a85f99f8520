// The elevated instance of the installer, seen from the first installer:
// started early, kept waiting, released to run setup, then ended.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/scoped_handle.h"

namespace lite_installer {

// The two named events shared with the elevated instance carry a random
// token of the run (32 lower-case hexadecimal digits), which the first
// installer makes before it starts the instance and hands over on the
// instance's command line under this switch.
std::wstring ElevatedGoAheadEventName(const std::wstring& token);
std::wstring ElevatedStopEventName(const std::wstring& token);
// A new token from the system's random source; empty when there is none.
std::wstring NewElevationToken();
bool IsElevationToken(const std::wstring& text);
// A named auto-reset event that did not exist before: one that exists
// already was made by someone else and is refused (logged, empty handle).
base::ScopedHandle CreateFreshEvent(const std::wstring& name);

// How long the instance may take to end once the parent is done with it
// before it is terminated: 30 seconds (test builds: hook ELEVATED_GRACE_MS).
DWORD ElevatedGraceMs();

class ElevatedRunner {
 public:
  // Makes the run's token and creates both events.
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

  // False when the token or either event could not be made: the instance
  // must not be started then.
  bool valid() const { return go_ahead_event_ && stop_event_; }
  const std::wstring& token() const { return token_; }
  int32_t exit_code() const { return exit_code_; }
  bool released() const { return released_; }
  bool hung() const { return hung_; }
  // The window that owns the elevation prompt (destroyed with the runner).
  void set_owner_window(HWND owner) { owner_window_ = owner; }

 private:
  base::ScopedHandle process_;
  HWND owner_window_ = nullptr;
  std::wstring token_;
  base::ScopedHandle go_ahead_event_;
  base::ScopedHandle stop_event_;
  bool released_ = false;
  bool hung_ = false;
  int32_t exit_code_ = -1;
};

}  // namespace lite_installer
