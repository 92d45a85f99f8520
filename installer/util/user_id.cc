#include "installer/util/user_id.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include "base/files.h"
#include "base/logging.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "installer/util/win_version.h"

namespace lite_installer {
namespace {

constexpr wchar_t kMarkerKeyLegacy[] = L"Software\\Kelmor";
constexpr wchar_t kMarkerKeyVista[] = L"Software\\AppDataLow\\Kelmor";
constexpr size_t kMaxIdBytes = 64;

std::wstring MarkerKey() {
  return installer_util::IsVistaOrLater() ? kMarkerKeyVista : kMarkerKeyLegacy;
}

std::wstring MarkerValueName() {
  wchar_t user[258];
  DWORD size = 258;
  std::wstring name = L"UICreated_";
  if (::GetUserNameW(user, &size)) name += user;
  return name;
}

bool MarkerExistsUnder(const wchar_t* key_path, const std::wstring& value_name) {
  base::ScopedRegKey key;
  const LONG result = ::RegOpenKeyExW(HKEY_CURRENT_USER, key_path, 0, KEY_READ, key.receive());
  if (result != ERROR_SUCCESS) {
    if (result != ERROR_FILE_NOT_FOUND)
      PLOG(ERROR, result) << "Can't open registry key: " << key_path;
    return false;
  }
  return ::RegQueryValueExW(key.get(), value_name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

bool IsUidCreated() {
  const std::wstring name = MarkerValueName();
  if (MarkerExistsUnder(kMarkerKeyLegacy, name)) return true;
  return installer_util::IsVistaOrLater() && MarkerExistsUnder(kMarkerKeyVista, name);
}

bool RememberUidIsCreated() {
  const std::wstring key_path = MarkerKey();
  const std::wstring name = MarkerValueName();
  base::ScopedRegKey key;
  const LONG open = ::RegCreateKeyExW(HKEY_CURRENT_USER, key_path.c_str(), 0, nullptr, 0,
                                      KEY_SET_VALUE, nullptr, key.receive(), nullptr);
  if (open != ERROR_SUCCESS) {
    PLOG(ERROR, open) << "Can't open registry key: " << key_path;
    return false;
  }
  const DWORD one = 1;
  const LONG set = ::RegSetValueExW(key.get(), name.c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&one), sizeof(one));
  if (set != ERROR_SUCCESS) {
    PLOG(ERROR, set) << "Can't create registry value '" << name << "' at '" << key_path;
    return false;
  }
  return true;
}

std::string GenerateUserId() {
  GUID guid;
  if (FAILED(::CoCreateGuid(&guid))) return {};
  wchar_t text[40];
  if (::StringFromGUID2(guid, text, 40) == 0) return {};
  const std::string id = base::WideToUtf8(text);
  const std::wstring path = GetUserIdFilePath(/*create=*/true);
  if (path.empty()) return {};
  if (!base::WriteStringToFile(path, id)) {
    LOG(ERROR) << "Can't write file " << path;
    return {};
  }
  if (!RememberUidIsCreated()) {
    LOG(ERROR) << "Can't create 'UI created' entry";
    return {};
  }
  return id;
}

}  // namespace

std::wstring GetUserIdFilePath(bool create) {
  wchar_t appdata[MAX_PATH];
  if (!::SHGetSpecialFolderPathW(nullptr, appdata, CSIDL_APPDATA, create)) {
    PLOG(ERROR, ::GetLastError()) << "Can't get path to AppData folder";
    return {};
  }
  const std::wstring folder = base::PathJoin(appdata, L"Kelmor");
  if (create && !::CreateDirectoryW(folder.c_str(), nullptr) &&
      ::GetLastError() != ERROR_ALREADY_EXISTS) {
    PLOG(ERROR, ::GetLastError()) << "Can't create directory: " << folder;
    return {};
  }
  return base::PathJoin(folder, L"ui");
}

std::string GetUserId() {
  const std::wstring path = GetUserIdFilePath(/*create=*/false);
  if (!path.empty() && base::FileExists(path)) {
    const auto content = base::ReadFileToString(path, kMaxIdBytes + 1);
    if (!content) {
      LOG(ERROR) << "Failed to read file " << path;
    } else if (content->empty() || content->size() > kMaxIdBytes) {
      LOG(ERROR) << "Incorrect User ID file content";
    } else {
      return *content;
    }
  }
  if (IsUidCreated()) {
    LOG(INFO) << "Registry entry already exists, skip User ID file generation";
    return {};
  }
  return GenerateUserId();
}

std::string DescribeSetupExitCode(uint32_t exit_code) {
  const uint32_t klass = exit_code >> 24;
  const uint32_t detail = exit_code & 0xFFFFFF;
  const char* name = nullptr;
  switch (klass) {
    case 0: name = "SUCCESS_EXIT_CODE"; break;
    case 1: name = "GENERIC_ERROR"; break;
    case 101: name = "GENERIC_INITIALIZATION_FAILURE"; break;
    case 105: name = "COMMAND_STRING_OVERFLOW"; break;
    case 107: name = "WAIT_FOR_PROCESS_FAILED"; break;
    case 108: name = "PATH_STRING_OVERFLOW"; break;
    case 109: name = "UNABLE_TO_GET_WORK_DIRECTORY"; break;
    case 110: name = "UNABLE_TO_FIND_REGISTRY_KEY"; break;
    case 111: name = "PATCH_NOT_FOR_INSTALLED_VERSION"; break;
    case 112: name = "UNABLE_TO_EXTRACT_CHROME_ARCHIVE"; break;
    case 115: name = "UNABLE_TO_EXTRACT_SETUP_EXE"; break;
    case 116: name = "UNABLE_TO_EXTRACT_SETUP"; break;
    case 117: name = "UNABLE_TO_SET_DIRECTORY_ACL"; break;
    default: break;
  }
  std::string text;
  if (name)
    text = std::string(name) + "(" + std::to_string(klass) + ")";
  else
    text = "Exit code: " + std::to_string(klass);
  return text + "; error: " + std::to_string(detail);
}

}  // namespace lite_installer
