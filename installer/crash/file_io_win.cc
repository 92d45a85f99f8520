#include "installer/crash/file_io_win.h"

#include <climits>

#include "base/logging.h"

namespace crash {

base::ScopedHandle OpenFileForRead(const std::wstring& path) {
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) PLOG(ERROR, ::GetLastError()) << "CreateFile " << path;
  return file;
}

base::ScopedHandle CreateNewFileForReadWrite(const std::wstring& path) {
  return base::ScopedHandle(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileOperationResult ReadFileOnce(HANDLE file, void* data, size_t size) {
  const DWORD wanted = size > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<DWORD>(size);
  DWORD got = 0;
  if (!::ReadFile(file, data, wanted, &got, nullptr)) {
    PLOG(ERROR, ::GetLastError()) << "ReadFile";
    return -1;
  }
  return got;
}

bool ReadFileExactly(HANDLE file, void* data, size_t size) {
  auto* out = static_cast<char*>(data);
  while (size > 0) {
    const FileOperationResult got = ReadFileOnce(file, out, size);
    if (got <= 0) return false;
    out += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

bool WriteFileExactly(HANDLE file, const void* data, size_t size) {
  const auto* in = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(file, in, chunk, &written, nullptr) || written == 0) {
      PLOG(ERROR, ::GetLastError()) << "WriteFile";
      return false;
    }
    in += written;
    size -= written;
  }
  return true;
}

bool SeekFileTo(HANDLE file, uint64_t offset) {
  LARGE_INTEGER distance;
  distance.QuadPart = static_cast<LONGLONG>(offset);
  if (!::SetFilePointerEx(file, distance, nullptr, FILE_BEGIN)) {
    PLOG(ERROR, ::GetLastError()) << "SetFilePointerEx";
    return false;
  }
  return true;
}

}  // namespace crash
