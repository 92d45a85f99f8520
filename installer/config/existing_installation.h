// An already installed browser: its application folder per installation
// level and whether it is the corporate edition.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace lite_installer {

// "23.11.3.935" -> {23, 11, 3, 935}; nullopt unless every part is a number.
std::optional<std::vector<uint32_t>> ParseDottedVersion(const std::wstring& text);

// The application folder of the browser installed at the user level
// (HKEY_CURRENT_USER) or the system level (HKEY_LOCAL_MACHINE): three levels
// above its uninstall program. "" when there is none.
std::wstring GetExistingInstallationDirectory(bool system_level);

// The system-level application folder, else the default one under Program
// Files.
std::wstring GetBrowserApplicationDirectory();

// The machine's product key (32-bit view) says "corporate" = "true".
bool IsCorporateInstallation();
// An installed browser exists and is not the corporate edition.
bool ExistingNonCorporateBrowserFound();
// The system-level browser is the corporate edition.
bool IsCorporateEditionInstalled();

}  // namespace lite_installer
