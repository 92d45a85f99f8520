// One extraction from a cabinet held in memory, behind the callbacks of the
// system's cabinet library (brand_packages.cc): the library reads the
// cabinet from a byte buffer, and every file it extracts is collected into
// a string. Pure code (no Windows header), also built natively for fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>

namespace lite_installer {

// A package holds one small document; anything bigger is refused rather
// than allocated.
constexpr size_t kMaxExtractedFileSize = 8 * 1024 * 1024;

// Handle values of the callbacks besides real handles: a failure, and the
// answer to a file that is not to be extracted.
constexpr intptr_t kCabinetFailure = -1;
constexpr intptr_t kCabinetSkipFile = 0;

class CabinetExtraction {
 public:
  // Collects into `files` the file named `filter`, or every file when it is
  // empty; a file bigger than `max_file_size` fails the extraction.
  CabinetExtraction(std::string_view cabinet, std::string filter,
                    std::map<std::string, std::string>* files,
                    size_t max_file_size = kMaxExtractedFileSize);
  CabinetExtraction(const CabinetExtraction&) = delete;
  CabinetExtraction& operator=(const CabinetExtraction&) = delete;

  // The name to give the library for the cabinet: the decimal address of
  // this extraction, which Open() turns back into it.
  std::string CabinetName() const;
  // True once a file was refused for its size.
  bool output_too_large() const { return output_too_large_; }

  // The file callbacks, with the meanings of _open, _read, _write, _close
  // and _lseek. Handles belong to their extraction and live as long as it
  // does; a closed handle fails every further call.
  static intptr_t Open(const char* name);
  static uint32_t Read(intptr_t handle, void* buffer, uint32_t count);
  static uint32_t Write(intptr_t handle, const void* buffer, uint32_t count);
  static int Close(intptr_t handle);
  static int32_t Seek(intptr_t handle, int32_t distance, int origin);

  // The notification that a file starts: a handle to write it to (its size
  // `size` reserved), kCabinetSkipFile when the filter leaves it out.
  intptr_t BeginFile(const char* name, int32_t size);
  // The notification that a file is complete: keeps what was written to
  // `handle` as the file `name` and closes the handle. False for a handle
  // that is no open output of this extraction.
  bool FinishFile(const char* name, intptr_t handle);

 private:
  struct Handle {
    enum Kind { kCabinet, kOutput, kClosed } kind;
    CabinetExtraction* owner;
    size_t position = 0;  // of the cabinet read cursor
    std::string output;
  };
  static Handle* FromValue(intptr_t value);
  intptr_t NewHandle(Handle::Kind kind);

  uint32_t magic_;
  std::string_view cabinet_;
  std::string filter_;
  std::map<std::string, std::string>* files_;
  size_t max_file_size_;
  bool output_too_large_ = false;
  std::deque<Handle> handles_;  // stable addresses: a handle is one's address
};

}  // namespace lite_installer
