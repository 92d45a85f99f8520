// Readers that the upload's body streams pull file bytes from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/scoped_handle.h"
#include "installer/crash/file_io_win.h"

namespace crash {

class FileReaderInterface {
 public:
  virtual ~FileReaderInterface() = default;
  // At most `size` bytes; 0 at the end, -1 on failure.
  virtual FileOperationResult Read(void* data, size_t size) = 0;
  // Back to the first byte; false on failure.
  virtual bool SeekToStart() = 0;
};

// Reads a file from disk; the file is open from Open to Close (or the end
// of the reader).
class FileReader : public FileReaderInterface {
 public:
  FileReader() = default;
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;
  ~FileReader() override = default;

  bool Open(const std::wstring& path);
  void Close() { file_.reset(); }

  FileOperationResult Read(void* data, size_t size) override;
  bool SeekToStart() override;

 private:
  base::ScopedHandle file_;
};

}  // namespace crash
