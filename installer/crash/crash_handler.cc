#include "installer/crash/crash_handler.h"

namespace crash {

CrashHandler& CrashHandler::Get() {
  static CrashHandler* handler = new CrashHandler();
  return *handler;
}

bool CrashHandler::Install() {
  // The dump writer and its filter are not part of this build yet.
  return false;
}

void CrashHandler::Uninstall() { installed_ = false; }

void CrashHandler::SetCrashKey(std::string_view key, std::string_view value) {
  if (key.empty() || value.empty()) return;
  keys_[std::string(key)] = std::string(value);
}

}  // namespace crash
