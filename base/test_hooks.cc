#include "base/test_hooks.h"

#if KELMOR_TEST_BUILD
#include <windows.h>

#include <map>
#include <mutex>

#include "base/strings.h"

namespace base {

std::optional<std::string> GetTestHook(const char* name) {
  const std::wstring var = L"KELMOR_TEST_" + AsciiToWide(name);
  wchar_t buffer[4096];
  const DWORD n = ::GetEnvironmentVariableW(var.c_str(), buffer, 4096);
  if (n == 0 || n >= 4096) return std::nullopt;
  return WideToUtf8(std::wstring_view(buffer, n));
}

const char* TestEndpoint(const char* kind, const char* configured) {
  std::optional<std::string> origin = GetTestHook((std::string("ORIGIN_") + kind).c_str());
  if (!origin) origin = GetTestHook("STAND_ORIGIN");
  const std::string_view stand = KELMOR_STAND_ORIGIN;
  const std::string_view text = configured;
  if (!origin || text.substr(0, stand.size()) != stand) return configured;
  // Callers keep the pointer: every answer lives as long as the process.
  static std::mutex lock;
  static auto* answers = new std::map<std::string, std::string>;
  std::string answer = *origin + std::string(text.substr(stand.size()));
  const std::lock_guard<std::mutex> hold(lock);
  return answers->emplace(answer, answer).first->second.c_str();
}

}  // namespace base
#endif
