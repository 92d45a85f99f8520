#include "installer/config/existing_installation.h"

#include <shlobj.h>

#include "base/files.h"
#include "base/logging.h"
#include "base/scoped_handle.h"
#include "installer/util/registry.h"

namespace lite_installer {
namespace {

constexpr REGSAM kReadAccess = KEY_READ | KEY_WOW64_32KEY;

// A string value of a key; "" when absent or not a string.
std::wstring ReadRegistryString(HKEY root, const wchar_t* key_path, REGSAM access,
                                const wchar_t* name) {
  base::ScopedRegKey key;
  if (::RegOpenKeyExW(root, key_path, 0, access, key.receive()) != ERROR_SUCCESS) return {};
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ) || size > 64 * 1024)
    return {};
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                         &bytes) != ERROR_SUCCESS)
    return {};
  value.resize(bytes / sizeof(wchar_t));
  while (!value.empty() && value.back() == L'\0') value.pop_back();
  return value;
}

std::wstring ReadProductString(HKEY root, const wchar_t* name) {
  return ReadRegistryString(root, installer_util::kProductKey, kReadAccess, name);
}

// The system's own Program Files folder. Setup installs the browser there,
// and on 64-bit Windows the shell answers a 32-bit process with
// "Program Files (x86)" instead, so in such a process the folder is read
// from the 64-bit registry view, where the system records it.
std::wstring NativeProgramFilesDirectory() {
  BOOL wow64 = FALSE;
  if (::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64) {
    std::wstring directory =
        ReadRegistryString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                           KEY_READ | KEY_WOW64_64KEY, L"ProgramW6432Dir");
    if (!directory.empty()) return directory;
  }
  wchar_t program_files[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT,
                                program_files)))
    return {};
  return program_files;
}

bool IsAbsoluteWithoutParentReferences(const std::wstring& path) {
  const bool drive = path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') ||
                                          (path[0] >= L'a' && path[0] <= L'z')) &&
                     path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
  const bool unc = path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
  if (!drive && !unc) return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = path.size();
    if (path.compare(start, end - start, L"..") == 0) return false;
    start = end + 1;
  }
  return true;
}

std::wstring FormatVersion(const std::vector<uint32_t>& parts) {
  std::wstring text;
  for (uint32_t part : parts) {
    if (!text.empty()) text += L'.';
    text += std::to_wstring(part);
  }
  return text;
}

}  // namespace

std::optional<std::vector<uint32_t>> ParseDottedVersion(const std::wstring& text) {
  std::vector<uint32_t> parts;
  size_t start = 0;
  while (true) {
    size_t end = text.find(L'.', start);
    if (end == std::wstring::npos) end = text.size();
    if (end == start || end - start > 9) return std::nullopt;
    uint32_t value = 0;
    for (size_t i = start; i < end; ++i) {
      if (text[i] < L'0' || text[i] > L'9') return std::nullopt;
      value = value * 10 + (text[i] - L'0');
    }
    parts.push_back(value);
    if (end == text.size()) return parts;
    start = end + 1;
  }
}

std::wstring GetExistingInstallationDirectory(bool system_level) {
  const HKEY root = system_level ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  const char* level = system_level ? "system" : "user";
  std::wstring version_text = ReadProductString(root, L"kpv");
  if (version_text.empty()) version_text = ReadProductString(root, L"pv");
  const std::optional<std::vector<uint32_t>> version = ParseDottedVersion(version_text);
  if (!version) {
    LOG(INFO) << "No existing Chrome " << level << " install found.";
    return {};
  }
  LOG(INFO) << "Existing Chrome " << level << " version found: " << FormatVersion(*version);
  const std::wstring uninstall = ReadProductString(root, L"UninstallString");
  if (!IsAbsoluteWithoutParentReferences(uninstall)) return {};
  // <application>\<version>\Installer\setup.exe
  const std::wstring directory = base::DirName(base::DirName(base::DirName(uninstall)));
  if (directory.empty() || !base::DirectoryExists(directory)) return {};
  return directory;
}

std::wstring GetBrowserApplicationDirectory() {
  std::wstring directory = GetExistingInstallationDirectory(true);
  if (!directory.empty()) return directory;
  const std::wstring program_files = NativeProgramFilesDirectory();
  if (program_files.empty()) return {};
  return base::PathJoin(base::PathJoin(program_files, installer_util::kProductPath),
                        L"Application");
}

bool IsCorporateInstallation() {
  return ReadProductString(HKEY_LOCAL_MACHINE, L"corporate") == L"true";
}

bool ExistingNonCorporateBrowserFound() {
  if (!GetExistingInstallationDirectory(false).empty()) return !IsCorporateInstallation();
  if (!GetExistingInstallationDirectory(true).empty()) return !IsCorporateInstallation();
  return false;
}

bool IsCorporateEditionInstalled() {
  if (!GetExistingInstallationDirectory(true).empty()) return IsCorporateInstallation();
  return false;
}

}  // namespace lite_installer
