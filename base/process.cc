#include "base/process.h"

#include <vector>

namespace base {

ScopedHandle LaunchProcess(const std::wstring& command_line, const LaunchOptions& options,
                           DWORD* process_id) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  DWORD flags = 0;
  if (options.hide_window) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    flags |= CREATE_NO_WINDOW;
  }
  std::vector<wchar_t> writable(command_line.begin(), command_line.end());
  writable.push_back(L'\0');
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, options.inherit_handles,
                        flags, nullptr,
                        options.current_directory.empty() ? nullptr
                                                          : options.current_directory.c_str(),
                        &startup, &info)) {
    return ScopedHandle();
  }
  const ScopedHandle thread(info.hThread);  // only the process is handed back
  if (process_id) *process_id = info.dwProcessId;
  return ScopedHandle(info.hProcess);
}

std::optional<DWORD> WaitForExitCode(HANDLE process, DWORD timeout_ms) {
  if (::WaitForSingleObject(process, timeout_ms) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  if (!::GetExitCodeProcess(process, &code)) return std::nullopt;
  return code;
}

WaitableEvent::WaitableEvent(ResetPolicy reset, bool signaled, const wchar_t* name)
    : handle_(::CreateEventW(nullptr, reset == ResetPolicy::kManual, signaled, name)) {}

bool Thread::Start(std::function<void()> body) {
  if (handle_) return false;
  body_ = std::move(body);
  handle_.reset(::CreateThread(nullptr, 0, &Thread::Entry, this, 0, &id_));
  return handle_.is_valid();
}

bool Thread::is_running() const {
  return handle_ && ::WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT;
}

bool Thread::Join(DWORD timeout_ms) {
  if (!handle_) return true;
  if (::WaitForSingleObject(handle_.get(), timeout_ms) != WAIT_OBJECT_0) return false;
  handle_.reset();
  return true;
}

DWORD WINAPI Thread::Entry(void* param) {
  static_cast<Thread*>(param)->body_();
  return 0;
}

}  // namespace base
