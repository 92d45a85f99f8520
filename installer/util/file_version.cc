#include "installer/util/file_version.h"

#include <shlobj.h>

#include <vector>

#include "base/logging.h"
#include "base/strings.h"
#include "base/test_hooks.h"

namespace installer_util {
namespace {

bool ReadFixedInfo(const std::wstring& path, VS_FIXEDFILEINFO* out) {
  DWORD handle = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (size == 0) return false;
  std::vector<BYTE> data(size);
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return false;
  void* block = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(data.data(), L"\\", &block, &length) || !block ||
      length < sizeof(VS_FIXEDFILEINFO))
    return false;
  *out = *static_cast<VS_FIXEDFILEINFO*>(block);
  return true;
}

}  // namespace

bool GetFileVersion(const std::wstring& path, uint32_t* high, uint32_t* low) {
  VS_FIXEDFILEINFO info;
  if (!ReadFixedInfo(path, &info)) return false;
  *high = info.dwProductVersionMS;
  *low = info.dwProductVersionLS;
  LOG(INFO) << "File: " << path << " Version: " << *high << "." << *low;
  return true;
}

std::string GetFileVersionString(const std::wstring& path) {
  uint32_t high = 0;
  uint32_t low = 0;
  if (!GetFileVersion(path, &high, &low)) return "0.0.0.0";
  return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." +
         std::to_string(low >> 16) + "." + std::to_string(low & 0xFFFF);
}

bool GetFileDate(const std::wstring& path, uint32_t* high, uint32_t* low) {
  VS_FIXEDFILEINFO info;
  if (!ReadFixedInfo(path, &info)) return false;
  *high = info.dwFileDateMS;
  *low = info.dwFileDateLS;
  return true;
}

bool GetFileTimes(const std::wstring& path, FILETIME* creation, FILETIME* last_access,
                  FILETIME* last_write) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if (creation) *creation = data.ftCreationTime;
  if (last_access) *last_access = data.ftLastAccessTime;
  if (last_write) *last_write = data.ftLastWriteTime;
  return true;
}

bool HasEnoughDiskSpace(bool system_level, uint32_t required_bytes) {
  wchar_t folder[MAX_PATH];
  if (FAILED(::SHGetFolderPathW(nullptr, system_level ? CSIDL_PROGRAM_FILES : CSIDL_LOCAL_APPDATA,
                                nullptr, SHGFP_TYPE_CURRENT, folder))) {
    LOG(ERROR) << "SHGetFolderPath failed";
    return true;
  }
  ULARGE_INTEGER available;
  if (!::GetDiskFreeSpaceExW(folder, &available, nullptr, nullptr)) {
    LOG(ERROR) << "GetDiskFreeSpaceEx failed";
    return true;
  }
  // Tests of a full disk inject the measurement.
  if (const auto hook = base::GetTestHook("FREE_DISK_BYTES")) {
    if (const auto bytes = base::ParseInt64(std::string_view(*hook)))
      available.QuadPart = static_cast<uint64_t>(*bytes);
  }
  if (IsEnoughSpace(available.QuadPart, required_bytes)) return true;
  LOG(ERROR) << "There is not enough disk space to install browser";
  return false;
}

}  // namespace installer_util
