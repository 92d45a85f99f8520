#include "installer/util/registry.h"

#include <windows.h>

#include <vector>

#include "base/logging.h"
#include "base/scoped_handle.h"

namespace installer_util {

const wchar_t kProductPath[] = L"Kelmor\\KelmorBrowser";
const wchar_t kProductKey[] = L"Software\\Kelmor\\KelmorBrowser";
const char kProductVersion[] = "23.11.3.935";
const char kEngineVersion[] = "118.0.5993.935";
const wchar_t kBrowserMessageWindowName[] = L"KelmorBrowser_MessageWindow";

namespace {

constexpr REGSAM kWriteAccess = KEY_WRITE | KEY_WOW64_32KEY;
constexpr REGSAM kReadAccess = KEY_READ | KEY_WOW64_32KEY;

std::wstring Where(const std::wstring& key_path, const std::wstring& name) {
  return L" HKEY_CURRENT_USER\\" + key_path + L"\\" + name;
}

}  // namespace

const std::wstring& GetInstallerRegistryKey() {
  static wchar_t buffer[MAX_PATH];
  static const std::wstring key = [] {
    ::lstrcpynW(buffer, kProductKey, MAX_PATH - 1);
    return std::wstring(buffer);
  }();
  return key;
}

bool StoreValueInRegistry(const std::wstring& key_path, const std::wstring& name,
                          const std::wstring& value) {
  base::ScopedRegKey key;
  bool ok = ::RegCreateKeyExW(HKEY_CURRENT_USER, key_path.c_str(), 0, nullptr, 0, kWriteAccess,
                              nullptr, key.receive(), nullptr) == ERROR_SUCCESS;
  if (ok) {
    ok = ::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
         ERROR_SUCCESS;
  }
  LOG(INFO) << (ok ? "Stored" : "Failed to store") << Where(key_path, name) << L" = " << value;
  return ok;
}

bool ReadValueFromRegistry(const std::wstring& key_path, const std::wstring& name,
                           std::wstring* value) {
  base::ScopedRegKey key;
  LONG result = ::RegOpenKeyExW(HKEY_CURRENT_USER, key_path.c_str(), 0, kReadAccess, key.receive());
  DWORD type = 0;
  DWORD size = 0;
  if (result == ERROR_SUCCESS)
    result = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size);
  if (result == ERROR_FILE_NOT_FOUND) {
    LOG(INFO) << "No value to read:" << Where(key_path, name);
    return false;
  }
  bool ok = result == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ);
  std::wstring text;
  if (ok) {
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    ok = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                            reinterpret_cast<BYTE*>(buffer.data()), &bytes) == ERROR_SUCCESS;
    if (ok) {
      size_t chars = bytes / sizeof(wchar_t);
      while (chars > 0 && buffer[chars - 1] == L'\0') --chars;
      text.assign(buffer.data(), chars);
    }
  }
  if (!ok) {
    LOG(INFO) << "Failed to read" << Where(key_path, name);
    return false;
  }
  LOG(INFO) << "Read" << Where(key_path, name) << " which is \"" << text << "\"";
  *value = std::move(text);
  return true;
}

bool RemoveValueFromRegistry(const std::wstring& key_path, const std::wstring& name) {
  base::ScopedRegKey key;
  LONG result = ::RegOpenKeyExW(HKEY_CURRENT_USER, key_path.c_str(), 0, kWriteAccess,
                                key.receive());
  if (result == ERROR_SUCCESS) result = ::RegDeleteValueW(key.get(), name.c_str());
  if (result == ERROR_FILE_NOT_FOUND) {
    LOG(INFO) << "No value to remove:" << Where(key_path, name);
    return false;
  }
  const bool ok = result == ERROR_SUCCESS;
  LOG(INFO) << (ok ? "Removed" : "Failed to remove") << Where(key_path, name);
  return ok;
}

void StoreValue(const std::wstring& name, const std::wstring& value) {
  StoreValueInRegistry(GetInstallerRegistryKey(), name, value);
}

std::wstring ReadValue(const std::wstring& name) {
  std::wstring value;
  if (!ReadValueFromRegistry(GetInstallerRegistryKey(), name, &value)) return {};
  return value;
}

bool RemoveValue(const std::wstring& name) {
  return RemoveValueFromRegistry(GetInstallerRegistryKey(), name);
}

}  // namespace installer_util
