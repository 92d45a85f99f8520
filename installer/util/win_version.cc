#include "installer/util/win_version.h"

#include <windows.h>

namespace installer_util {

WindowsVersion GetWindowsVersion() {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  static const WindowsVersion cached = [] {
    WindowsVersion v;
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    auto fn = ntdll ? reinterpret_cast<RtlGetVersionFn>(::GetProcAddress(ntdll, "RtlGetVersion"))
                    : nullptr;
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (fn && fn(&info) == 0) {
      v.major = info.dwMajorVersion;
      v.minor = info.dwMinorVersion;
      v.build = info.dwBuildNumber;
    }
    return v;
  }();
  return cached;
}

bool IsVistaOrLater() { return GetWindowsVersion().major >= 6; }

bool IsWindows7OrLater() {
  const WindowsVersion v = GetWindowsVersion();
  return v.major > 6 || (v.major == 6 && v.minor >= 1);
}

bool IsWindows8OrLater() {
  const WindowsVersion v = GetWindowsVersion();
  return v.major > 6 || (v.major == 6 && v.minor >= 2);
}

bool IsWindows10OrLater() { return GetWindowsVersion().major >= 10; }

}  // namespace installer_util
