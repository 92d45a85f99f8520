// Crash capture: an unhandled-exception filter that writes a minidump with
// the crash keys and uploads it.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace crash {

class CrashHandler {
 public:
  // The process-wide handler.
  static CrashHandler& Get();

  // Installs the unhandled-exception filter; the previous filter is kept
  // and restored by Uninstall.
  bool Install();
  void Uninstall();
  // Keys with an empty name or value are not set.
  void SetCrashKey(std::string_view key, std::string_view value);
  const std::map<std::string, std::string>& crash_keys() const { return keys_; }

 private:
  bool installed_ = false;
  std::map<std::string, std::string> keys_;
};

}  // namespace crash
