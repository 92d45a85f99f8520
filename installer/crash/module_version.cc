#include "installer/crash/module_version.h"

#include <cstring>
#include <vector>

#include "base/logging.h"

namespace crash {

bool GetModuleVersionAndType(const std::wstring& path, VS_FIXEDFILEINFO* info) {
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), nullptr);
  if (size == 0) {
    PLOG(WARNING, ::GetLastError()) << "GetFileVersionInfo: " << path;
    return false;
  }
  std::vector<char> data(size);
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) {
    PLOG(WARNING, ::GetLastError()) << "GetFileVersionInfo: " << path;
    return false;
  }
  void* block = nullptr;
  UINT block_size = 0;
  if (!::VerQueryValueW(data.data(), L"\\", &block, &block_size) ||
      block_size < sizeof(VS_FIXEDFILEINFO)) {
    LOG(WARNING) << "VerQueryValue " << path;
    return false;
  }
  std::memcpy(info, block, sizeof(*info));
  return true;
}

}  // namespace crash
