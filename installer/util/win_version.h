// Windows version, read with RtlGetVersion (not subject to manifest shims).
#pragma once

#include <cstdint>

namespace installer_util {

struct WindowsVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
};

// The running version; zeros when it cannot be read.
WindowsVersion GetWindowsVersion();
bool IsVistaOrLater();
bool IsWindows7OrLater();
bool IsWindows8OrLater();
bool IsWindows10OrLater();

}  // namespace installer_util
