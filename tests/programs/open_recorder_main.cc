// Test program: stands in for the web browser that the shell starts for an
// http or https address. The test prefix registers it as the "open" command
// of both URL protocols ("open_recorder.exe" FILE "%1"), so an address that
// a program opens is appended to FILE (UTF-8, one address a line) instead of
// reaching a real browser.
//   open_recorder.exe FILE ADDRESS
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "base/scoped_handle.h"
#include "base/strings.h"

namespace {

// Several programs may open addresses at once: the recorders take turns
// under one named mutex (two appending writes of two processes at once can
// lose one under Wine), each line goes out in one appending write, and a
// file that another program holds is tried again.
bool AppendLine(const std::wstring& path, const std::string& line) {
  base::ScopedHandle mutex(::CreateMutexW(nullptr, FALSE, L"kelmor open recorder"));
  const bool locked = mutex && ::WaitForSingleObject(mutex.get(), 30000) != WAIT_TIMEOUT;
  base::ScopedMutexLock release(locked ? mutex.get() : nullptr);
  for (int attempt = 0; attempt < 100; ++attempt) {
    base::ScopedHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      DWORD written = 0;
      return ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written,
                         nullptr) &&
             written == line.size();
    }
    if (::GetLastError() != ERROR_SHARING_VIOLATION) return false;
    ::Sleep(20);
  }
  return false;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  base::ScopedLocalMem args(::CommandLineToArgvW(::GetCommandLineW(), &argc));
  if (!args || argc < 3) return 2;
  wchar_t** argv = static_cast<wchar_t**>(args.get());
  // The shell passes the address as one argument; anything after it (an
  // address with blanks that the command line split) belongs to it.
  std::wstring address = argv[2];
  for (int i = 3; i < argc; ++i) address += std::wstring(L" ") + argv[i];
  return AppendLine(argv[1], base::WideToUtf8(address) + "\n") ? 0 : 1;
}
