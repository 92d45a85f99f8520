#include "base/files.h"

#include <objbase.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "base/scoped_handle.h"

namespace base {

std::wstring PathJoin(std::wstring_view dir, std::wstring_view name) {
  std::wstring out(dir);
  if (!out.empty() && out.back() != L'\\' && out.back() != L'/') out.push_back(L'\\');
  size_t skip = 0;
  while (skip < name.size() && (name[skip] == L'\\' || name[skip] == L'/')) ++skip;
  out.append(name.substr(skip));
  return out;
}

std::wstring DirName(std::wstring_view path) {
  const size_t pos = path.find_last_of(L"\\/");
  if (pos == std::wstring_view::npos) return {};
  return std::wstring(path.substr(0, pos));
}

std::wstring BaseName(std::wstring_view path) {
  const size_t pos = path.find_last_of(L"\\/");
  return std::wstring(pos == std::wstring_view::npos ? path : path.substr(pos + 1));
}

std::wstring InsertBeforeExtension(std::wstring_view path, std::wstring_view suffix) {
  const size_t sep = path.find_last_of(L"\\/");
  const size_t dot = path.find_last_of(L'.');
  std::wstring out(path);
  if (dot == std::wstring_view::npos || (sep != std::wstring_view::npos && dot < sep))
    return out.append(suffix);
  out.insert(dot, suffix);
  return out;
}

bool PathExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FileExists(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

ScopedHandle OpenFileForExecution(const std::wstring& path) {
  return ScopedHandle(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_EXECUTE, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

HMODULE LoadSystemLibrary(std::wstring_view file_name) {
  if (file_name.empty() || file_name.find_first_of(L"\\/:") != std::wstring_view::npos) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  wchar_t system[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = PathJoin(std::wstring_view(system, length), file_name);
  return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool DirectoryExists(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDirectories(const std::wstring& path) {
  if (path.empty()) return false;
  if (DirectoryExists(path)) return true;
  std::wstring trimmed = path;
  while (trimmed.size() > 3 && (trimmed.back() == L'\\' || trimmed.back() == L'/'))
    trimmed.pop_back();
  const std::wstring parent = DirName(trimmed);
  if (!parent.empty() && parent != trimmed && !DirectoryExists(parent) &&
      !(parent.size() == 2 && parent[1] == L':')) {
    if (!CreateDirectories(parent)) return false;
  }
  if (::CreateDirectoryW(trimmed.c_str(), nullptr)) return true;
  return ::GetLastError() == ERROR_ALREADY_EXISTS && DirectoryExists(trimmed);
}

std::optional<uint64_t> GetFileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::optional<std::string> ReadFileToString(const std::wstring& path, size_t max_bytes) {
  ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string out;
  char buffer[64 * 1024];
  while (out.size() < max_bytes) {
    const DWORD want =
        static_cast<DWORD>(std::min<size_t>(sizeof(buffer), max_bytes - out.size()));
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer, want, &got, nullptr)) return std::nullopt;
    if (got == 0) break;
    out.append(buffer, got);
  }
  return out;
}

bool WriteStringToFile(const std::wstring& path, std::string_view data) {
  ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  size_t done = 0;
  while (done < data.size()) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1 << 20));
    DWORD written = 0;
    if (!::WriteFile(file.get(), data.data() + done, want, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}

bool DeleteFileIfExists(const std::wstring& path) {
  if (::DeleteFileW(path.c_str())) return true;
  const DWORD e = ::GetLastError();
  return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
}

bool DeleteDirectoryRecursive(const std::wstring& path) {
  if (!DirectoryExists(path)) return !PathExists(path) || DeleteFileIfExists(path);
  WIN32_FIND_DATAW data;
  ScopedFindHandle find(::FindFirstFileW(PathJoin(path, L"*").c_str(), &data));
  if (find) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = PathJoin(path, name);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteDirectoryRecursive(child);
      } else {
        ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(child.c_str());
      }
    } while (::FindNextFileW(find.get(), &data));
  }
  find.reset();
  return ::RemoveDirectoryW(path.c_str()) != 0;
}

std::wstring GetModulePath(HMODULE module) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring GetTempDir() {
  wchar_t buffer[MAX_PATH];
  const DWORD n = ::GetTempPathW(MAX_PATH, buffer);
  if (n == 0 || n > MAX_PATH - 1) return {};
  return std::wstring(buffer, n);
}

std::wstring MakeUniqueFileName(const std::wstring& dir, std::wstring_view prefix,
                                std::wstring_view extension) {
  GUID guid;
  if (FAILED(::CoCreateGuid(&guid))) {
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    guid.Data1 = t.LowPart ^ ::GetCurrentProcessId();
    guid.Data2 = static_cast<WORD>(::GetCurrentThreadId());
  }
  wchar_t name[64];
  swprintf(name, 64, L"%08lx%04x%04x", static_cast<unsigned long>(guid.Data1), guid.Data2,
           guid.Data3);
  std::wstring file(prefix);
  file += name;
  file += extension;
  return PathJoin(dir, file);
}

std::wstring CreateUniqueTempDirectory(std::wstring_view prefix) {
  const std::wstring temp = GetTempDir();
  if (temp.empty()) return {};
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::wstring dir = MakeUniqueFileName(temp, prefix, L"");
    if (::CreateDirectoryW(dir.c_str(), nullptr)) return dir;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

}  // namespace base
