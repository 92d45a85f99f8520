// Small file operations over Windows handles for the dump writer and the
// dump reader of the upload. Failures are logged and returned.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/scoped_handle.h"

namespace crash {

// Bytes read (0 at the end of the file), or -1 on failure.
using FileOperationResult = int64_t;

// Shared for reading and deleting, so that the owner can delete a file
// that is still being read.
base::ScopedHandle OpenFileForRead(const std::wstring& path);
// A file that must not exist yet (CREATE_NEW), for reading and writing,
// not shared.
base::ScopedHandle CreateNewFileForReadWrite(const std::wstring& path);

// One ReadFile of at most `size` bytes (capped at 2 GiB - 1).
FileOperationResult ReadFileOnce(HANDLE file, void* data, size_t size);
// Exactly `size` bytes or false.
bool ReadFileExactly(HANDLE file, void* data, size_t size);
bool WriteFileExactly(HANDLE file, const void* data, size_t size);
// Absolute positioning; false on failure.
bool SeekFileTo(HANDLE file, uint64_t offset);

}  // namespace crash
