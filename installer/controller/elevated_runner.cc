#include "installer/controller/elevated_runner.h"

#include "base/hash.h"
#include "base/logging.h"
#include "base/strings.h"
#include "base/test_hooks.h"

namespace lite_installer {


namespace {

constexpr DWORD kGraceMs = 30000;
constexpr size_t kTokenBytes = 16;
constexpr wchar_t kGoAheadStem[] = L"0c0f0f0d-6434-4cfd-a5e9-23e9ca4d94b6";
constexpr wchar_t kStopStem[] = L"fef32d6d-67e9-4654-b314-6c72098ff5d1";

}  // namespace

std::wstring ElevatedGoAheadEventName(const std::wstring& token) {
  return std::wstring(kGoAheadStem) + L"-" + token;
}

std::wstring ElevatedStopEventName(const std::wstring& token) {
  return std::wstring(kStopStem) + L"-" + token;
}

std::wstring NewElevationToken() {
  const std::string bytes = base::RandomBytes(kTokenBytes);
  if (bytes.size() != kTokenBytes) {
    LOG(ERROR) << "No random source for the elevated instance's events";
    return {};
  }
  return base::AsciiToWide(base::HexEncodeLower(bytes.data(), bytes.size()));
}

bool IsElevationToken(const std::wstring& text) {
  if (text.size() != 2 * kTokenBytes) return false;
  for (const wchar_t c : text)
    if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) return false;
  return true;
}

base::ScopedHandle CreateFreshEvent(const std::wstring& name) {
  base::ScopedHandle event(::CreateEventW(nullptr, FALSE, FALSE, name.c_str()));
  const DWORD error = ::GetLastError();
  if (!event) {
    PLOG(ERROR, error) << "Cannot create the event " << name;
  } else if (error == ERROR_ALREADY_EXISTS) {
    LOG(ERROR) << "Refused the event " << name << ": it exists already";
    event.reset();
  }
  return event;
}

DWORD ElevatedGraceMs() {
  if (const auto hook = base::GetTestHook("ELEVATED_GRACE_MS")) {
    if (const auto value = base::ParseUint32(*hook)) return *value;
  }
  return kGraceMs;
}

ElevatedRunner::ElevatedRunner() : token_(NewElevationToken()) {
  if (token_.empty()) return;
  go_ahead_event_ = CreateFreshEvent(ElevatedGoAheadEventName(token_));
  if (go_ahead_event_) stop_event_ = CreateFreshEvent(ElevatedStopEventName(token_));
}

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
