#include "installer/config/installer_tag.h"

#include <windows.h>

#include "base/logging.h"
#include "base/scoped_handle.h"
#include "installer/config/installer_tag_parser.h"

namespace lite_installer {

std::optional<std::string> ReadAllBytesFromFile(const std::wstring& path) {
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.is_valid()) {
    PLOG(ERROR, ::GetLastError()) << "Can't open file " << path;
    return std::nullopt;
  }
  LARGE_INTEGER size = {};
  // An executable larger than 2 GiB is no installer; refusing it also keeps
  // the length within one read.
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || size.QuadPart > 0x7FFFFFFF) {
    PLOG(ERROR, ::GetLastError()) << "Failed to get length of " << path;
    return std::nullopt;
  }
  std::string data(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!data.empty() &&
      (!::ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) ||
       read != data.size())) {
    PLOG(ERROR, ::GetLastError()) << "Failed to read all bytes of " << path;
    return std::nullopt;
  }
  return data;
}

std::string ExtractTagFromFakeCertificate(const std::wstring& path) {
  const std::optional<std::string> data = ReadAllBytesFromFile(path);
  if (!data) {
    PLOG(ERROR, ::GetLastError()) << "Failed to read file " << path;
    return {};
  }
  std::string tag;
  switch (ExtractTagFromCertificateTable(*data, &tag)) {
    case CertificateTagStatus::kOk:
      return tag;
    case CertificateTagStatus::kNoCertificateTable:
      PLOG(ERROR, ::GetLastError()) << "Failed to find certificate table in " << path;
      return {};
    case CertificateTagStatus::kInvalidAsn1:
      PLOG(ERROR, ::GetLastError()) << "Invalid ASN1 format of certificate table in " << path;
      return {};
  }
  return {};
}

std::string ReadAppendedTag(const std::wstring& path) {
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.is_valid()) return {};
  LARGE_INTEGER file_size = {};
  if (!::GetFileSizeEx(file.get(), &file_size) || file_size.QuadPart <= 0) return {};
  base::ScopedHandle mapping(
      ::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping.is_valid()) return {};
  base::ScopedMappedView view(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
  if (!view.is_valid()) return {};
  MEMORY_BASIC_INFORMATION info = {};
  if (::VirtualQuery(view.get(), &info, sizeof(info)) != sizeof(info)) return {};
  // The region is rounded up to whole pages; the file's own bytes end earlier.
  size_t size = info.RegionSize;
  if (static_cast<ULONGLONG>(file_size.QuadPart) < size)
    size = static_cast<size_t>(file_size.QuadPart);
  const std::optional<std::string> tag =
      FindAppendedTag(std::string_view(static_cast<const char*>(view.get()), size));
  return tag.value_or(std::string());
}

}  // namespace lite_installer
