// Test program: opens each address given on its command line the way the
// installer opens a page, with ShellExecuteW and the verb "open". Exits with
// 0 when the shell accepted every address, else with the first failing
// answer of the shell (32 or less).
//   shell_open.exe ADDRESS...
#include <windows.h>
#include <shellapi.h>

#include <cstdint>

#include "base/scoped_handle.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  base::ScopedLocalMem args(::CommandLineToArgvW(::GetCommandLineW(), &argc));
  if (!args || argc < 2) return 255;
  wchar_t** argv = static_cast<wchar_t**>(args.get());
  for (int i = 1; i < argc; ++i) {
    const auto answer = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", argv[i], nullptr, nullptr, SW_SHOWNORMAL));
    if (answer <= 32) return static_cast<int>(answer);
  }
  return 0;
}
