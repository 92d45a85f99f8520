// Paths and files (wide paths throughout).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/scoped_handle.h"

namespace base {

// Joins with one backslash between the parts.
std::wstring PathJoin(std::wstring_view dir, std::wstring_view name);
// "C:\a\b.exe" -> "C:\a"; no separator gives "".
std::wstring DirName(std::wstring_view path);
// "C:\a\b.exe" -> "b.exe".
std::wstring BaseName(std::wstring_view path);
// Inserts `suffix` before the extension of the last component ("a.log" + "_old").
std::wstring InsertBeforeExtension(std::wstring_view path, std::wstring_view suffix);

bool PathExists(const std::wstring& path);
bool FileExists(const std::wstring& path);       // exists and is not a directory
bool DirectoryExists(const std::wstring& path);
// Creates the folder and every missing parent; true when it exists afterwards.
bool CreateDirectories(const std::wstring& path);
std::optional<uint64_t> GetFileSize(const std::wstring& path);

// Reads at most `max_bytes`; nullopt when the file cannot be opened or read.
std::optional<std::string> ReadFileToString(const std::wstring& path,
                                            size_t max_bytes = SIZE_MAX);
// Creates or truncates.
bool WriteStringToFile(const std::wstring& path, std::string_view data);
bool DeleteFileIfExists(const std::wstring& path);
// Opens an existing file for reading and running it, sharing only reading:
// while the handle is open nobody can write, replace or delete the file.
// An empty handle (and the system error in GetLastError) when that fails.
ScopedHandle OpenFileForExecution(const std::wstring& path);
// Deletes a folder with everything inside it.
bool DeleteDirectoryRecursive(const std::wstring& path);

// Loads a DLL of the system folder by its full path, never from the
// program's folder or the search path; its own imports are looked for in the
// system folder first. Null (and GetLastError) on failure.
HMODULE LoadSystemLibrary(std::wstring_view file_name);

// The executable of this process (GetModuleFileNameW, any length).
std::wstring GetModulePath(HMODULE module = nullptr);

// GetTempPathW with a 260-character buffer; "" on failure or a result of
// more than 259 characters. Keeps the trailing backslash.
std::wstring GetTempDir();
// Creates a new, uniquely named folder under the temporary folder.
std::wstring CreateUniqueTempDirectory(std::wstring_view prefix);
// A unique file name (not created) under `dir`.
std::wstring MakeUniqueFileName(const std::wstring& dir, std::wstring_view prefix,
                                std::wstring_view extension);

}  // namespace base
