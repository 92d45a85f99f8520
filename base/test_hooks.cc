#include "base/test_hooks.h"

#if KELMOR_TEST_BUILD
#include <windows.h>

#include "base/strings.h"

namespace base {

std::optional<std::string> GetTestHook(const char* name) {
  const std::wstring var = L"KELMOR_TEST_" + AsciiToWide(name);
  wchar_t buffer[4096];
  const DWORD n = ::GetEnvironmentVariableW(var.c_str(), buffer, 4096);
  if (n == 0 || n >= 4096) return std::nullopt;
  return WideToUtf8(std::wstring_view(buffer, n));
}

}  // namespace base
#endif
