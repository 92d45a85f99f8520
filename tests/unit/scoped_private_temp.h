// Points the process's temporary folder (TMP) at a folder of its own below
// the build folder for the life of the object, so that files a test leaves
// in "the temporary folder" are safe from the end-to-end tests, which empty
// the prefix's temporary folder while unit tests may be running.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "base/files.h"

namespace testing_support {

class ScopedPrivateTemp {
 public:
  explicit ScopedPrivateTemp(const wchar_t* name) {
    wchar_t saved[MAX_PATH];
    const DWORD n = ::GetEnvironmentVariableW(L"TMP", saved, MAX_PATH);
    if (n > 0 && n < MAX_PATH) saved_ = std::wstring(saved, n);
    dir_ = base::PathJoin(base::DirName(base::DirName(base::GetModulePath())),
                          std::wstring(L"unit-temp\\") + name + L"-" +
                              std::to_wstring(::GetCurrentProcessId()));
    base::CreateDirectories(dir_);
    ::SetEnvironmentVariableW(L"TMP", (dir_ + L"\\").c_str());
  }
  ScopedPrivateTemp(const ScopedPrivateTemp&) = delete;
  ScopedPrivateTemp& operator=(const ScopedPrivateTemp&) = delete;
  ~ScopedPrivateTemp() {
    ::SetEnvironmentVariableW(L"TMP", saved_ ? saved_->c_str() : nullptr);
    base::DeleteDirectoryRecursive(dir_);
  }
  const std::wstring& dir() const { return dir_; }

 private:
  std::wstring dir_;
  std::optional<std::wstring> saved_;
};

}  // namespace testing_support
