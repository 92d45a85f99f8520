#include "installer/lite_installer/core/elevated_runner.h"

#include "base/logging.h"
#include "base/strings.h"
#include "base/test_hooks.h"

namespace lite_installer {

namespace {
constexpr DWORD kGraceMs = 30000;
}  // namespace

DWORD ElevatedGraceMs() {
  if (const auto hook = base::GetTestHook("ELEVATED_GRACE_MS")) {
    if (const auto value = base::ParseUint32(*hook)) return *value;
  }
  return kGraceMs;
}

ElevatedRunner::ElevatedRunner()
    : go_ahead_event_(::CreateEventW(nullptr, FALSE, FALSE, kElevatedGoAheadEventName)),
      stop_event_(::CreateEventW(nullptr, FALSE, FALSE, kElevatedStopEventName)) {}

void ElevatedRunner::Attach(HANDLE process, HWND owner_window) {
  process_.reset(process);
  owner_window_ = owner_window;
}

ElevatedRunner::~ElevatedRunner() {
  if (process_) {
    if (!released_) ::SetEvent(stop_event_.get());
    EnsureProcessFinished();
  }
  process_.reset();
  if (owner_window_) ::DestroyWindow(owner_window_);
}

bool ElevatedRunner::RunModule(HANDLE stop_event) {
  released_ = true;
  ::SetEvent(go_ahead_event_.get());
  const HANDLE handles[] = {stop_event, process_.get()};
  const DWORD wait = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
  if (wait == WAIT_OBJECT_0 + 1) {
    DWORD code = 0;
    if (!::GetExitCodeProcess(process_.get(), &code)) {
      PLOG(ERROR, ::GetLastError()) << "Failed to get exit code of the elevated installer.";
      return false;
    }
    exit_code_ = static_cast<int32_t>(code);
    return exit_code_ == 0;
  }
  if (wait == WAIT_OBJECT_0)
    PLOG(ERROR, ::GetLastError()) << "The elevated installer was terminated due to stop event.";
  return false;
}

void ElevatedRunner::EnsureProcessFinished() {
  if (!process_) return;
  if (::WaitForSingleObject(process_.get(), ElevatedGraceMs()) == WAIT_TIMEOUT) {
    hung_ = true;
    PLOG(ERROR, ::GetLastError()) << "The elevated installer hangs and must be forcibly terminated.";
    ::TerminateProcess(process_.get(), 0);
  }
}

}  // namespace lite_installer
