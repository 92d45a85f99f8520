#include "installer/app/secure_environment.h"

#include "base/files.h"
#include "base/process.h"
#include "base/scoped_handle.h"
#include "base/test_hooks.h"
#include "installer/config/installer_command_line.h"

namespace lite_installer {
namespace {

using SetSearchPathModeFn = BOOL(WINAPI*)(DWORD);
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

constexpr DWORD kSafeSearchPermanent = 0x8001;  // BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | PERMANENT
constexpr DWORD kSearchSystem32 = 0x800;        // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr int kInsecureExitCode = -200;

bool HasDllBesideExecutable() {
  const std::wstring dir = base::DirName(base::GetModulePath());
  WIN32_FIND_DATAW data;
  base::ScopedFindHandle find(::FindFirstFileW(base::PathJoin(dir, L"*.dll").c_str(), &data));
  if (!find) return false;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
  } while (::FindNextFileW(find.get(), &data));
  return false;
}

}  // namespace

SecureEnvironmentStatus SetupSecureEnvironment(int* exit_code) {
  *exit_code = 0;
  ::SetDllDirectoryW(L"");
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  auto set_search_path_mode = reinterpret_cast<SetSearchPathModeFn>(
      ::GetProcAddress(kernel32, "SetSearchPathMode"));
  auto set_default_dll_directories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      ::GetProcAddress(kernel32, "SetDefaultDllDirectories"));
  // Tests of the fallback pretend that the modern functions are missing.
  if (base::GetTestHook("NO_SAFE_DLL_SEARCH")) set_search_path_mode = nullptr;
  if (set_search_path_mode && set_default_dll_directories) {
    const bool mode = set_search_path_mode(kSafeSearchPermanent);
    const bool dirs = set_default_dll_directories(kSearchSystem32);
    return mode && dirs ? kSecureEnvironmentSet : kSecureEnvironmentNotFound;
  }
  return RunInProtectedDirectory(exit_code);
}

SecureEnvironmentStatus RunInProtectedDirectory(int* exit_code) {
  // This road runs before the run's options are read (nothing may be
  // loaded before the search order is safe), so it reads its two switches
  // itself.
  const InstallerCommandLine command_line(::GetCommandLineW());
  if (command_line.HasSwitch("run-as-admin") || command_line.HasSwitch("spawned_in_protected_dir"))
    return HasDllBesideExecutable() ? kSecureEnvironmentDllsFound : kSecureEnvironmentSet;

  const std::wstring dir = base::CreateUniqueTempDirectory(L"");
  if (dir.empty()) return kSecureEnvironmentNotFound;
  const std::wstring self = base::GetModulePath();
  const std::wstring copy = base::PathJoin(dir, base::BaseName(self));
  if (!::CopyFileW(self.c_str(), copy.c_str(), FALSE)) {
    base::DeleteDirectoryRecursive(dir);
    return kSecureEnvironmentNotFound;
  }
  ::MoveFileExW(copy.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  ::MoveFileExW(dir.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);

  InstallerCommandLine child = command_line;
  child.set_program(copy);
  child.AppendSwitch("spawned_in_protected_dir");
  base::LaunchOptions options;
  options.current_directory = dir;
  base::ScopedHandle process = base::LaunchProcess(child.Render(), options);
  if (!process) {
    base::DeleteDirectoryRecursive(dir);
    return kSecureEnvironmentNotFound;
  }
  const std::optional<DWORD> code = base::WaitForExitCode(process.get(), INFINITE);
  process.reset();
  base::DeleteDirectoryRecursive(dir);
  if (!code) return kSecureEnvironmentInsecure;
  if (static_cast<int>(*code) == kInsecureExitCode) {
    *exit_code = kInsecureExitCode;
    return kSecureEnvironmentInsecure;
  }
  *exit_code = static_cast<int>(*code);
  return kSecureEnvironmentCopyFinished;
}

}  // namespace lite_installer
