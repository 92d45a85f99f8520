#include "installer/app/delay_load_hook.h"

#include <windows.h>

#include <delayimp.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "base/files.h"
#include "base/logging.h"
#include "base/strings.h"

namespace lite_installer {
namespace {

// Set once user32.dll is about to be loaded: only then can a message box be
// shown.
bool g_user32_loading = false;

bool IsUser32(const char* dll) { return dll && _strnicmp(dll, "user32.dll", 10) == 0; }

// The common controls come from the side-by-side version the manifest
// names, which only a load by name finds; the activation context is
// searched before the program's folder for it.
bool IsSideBySide(const char* dll) { return dll && _stricmp(dll, "comctl32.dll") == 0; }

FARPROC WINAPI NotifyHook(unsigned reason, PDelayLoadInfo info) {
  if ((reason == dliNotePreLoadLibrary || reason == dliNotePreGetProcAddress) &&
      !g_user32_loading && IsUser32(info->szDll))
    g_user32_loading = true;
  // Every other system DLL is loaded from the system folder by its full
  // path, so a file of the same name beside the installer is never taken,
  // whether or not the search path could be hardened.
  if (reason == dliNotePreLoadLibrary && info->szDll && !IsSideBySide(info->szDll)) {
    if (HMODULE module = base::LoadSystemLibrary(base::AsciiToWide(info->szDll)))
      return reinterpret_cast<FARPROC>(module);
  }
  return nullptr;
}

[[noreturn]] void ReportAndEnd(const std::string& text, const char* dll, DWORD code) {
  LOG(ERROR) << text;
  const bool silent = std::wcsstr(::GetCommandLineW(), L"--silent") != nullptr;
  if (!silent && g_user32_loading && !IsUser32(dll)) {
    ::MessageBoxW(nullptr, base::Utf8ToWide(text).c_str(), L"Kelmor Browser installer", MB_OK);
  }
  // The failing call must never return.
  ::TerminateProcess(::GetCurrentProcess(), code);
  ::ExitProcess(code);
}

FARPROC WINAPI FailureHook(unsigned reason, PDelayLoadInfo info) {
  const char* dll = info->szDll ? info->szDll : "";
  if (reason == dliFailLoadLib) {
    ReportAndEnd(std::string("Windows dll is not found: ") + dll, dll,
                 VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND));
  }
  if (reason == dliFailGetProc) {
    std::string function;
    if (info->dlp.fImportByName)
      function = info->dlp.szProcName ? info->dlp.szProcName : "";
    else
      function = "#" + std::to_string(info->dlp.dwOrdinal);
    ReportAndEnd("Function " + function + " not found in Windows dll " + dll, dll,
                 VcppException(ERROR_SEVERITY_ERROR, ERROR_PROC_NOT_FOUND));
  }
  return nullptr;
}

}  // namespace

void InstallDelayLoadHooks() {
  __pfnDliNotifyHook2 = &NotifyHook;
  __pfnDliFailureHook2 = &FailureHook;
}

}  // namespace lite_installer
