// The installer's values under HKEY_CURRENT_USER, each access logged.
#pragma once

#include <string>

namespace installer_util {

// "Software\Kelmor\KelmorBrowser"
const std::wstring& GetInstallerRegistryKey();
// "Kelmor\KelmorBrowser" and "Software\Kelmor\KelmorBrowser".
extern const wchar_t kProductPath[];
extern const wchar_t kProductKey[];

extern const char kProductVersion[];
extern const char kEngineVersion[];
extern const wchar_t kBrowserMessageWindowName[];

bool StoreValueInRegistry(const std::wstring& key_path, const std::wstring& name,
                          const std::wstring& value);
bool ReadValueFromRegistry(const std::wstring& key_path, const std::wstring& name,
                           std::wstring* value);
bool RemoveValueFromRegistry(const std::wstring& key_path, const std::wstring& name);

void StoreValue(const std::wstring& name, const std::wstring& value);
std::wstring ReadValue(const std::wstring& name);
bool RemoveValue(const std::wstring& name);

}  // namespace installer_util
