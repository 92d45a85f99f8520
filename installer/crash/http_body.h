// Request bodies produced piece by piece, so that a large file is sent
// without being held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "installer/crash/file_reader.h"

namespace crash {

class HttpBodyStream {
 public:
  virtual ~HttpBodyStream() = default;
  // Copies at most `max_len` bytes into `buffer`: the number copied, 0 at
  // the end of the body, -1 on failure.
  virtual FileOperationResult GetBytesBuffer(uint8_t* buffer, size_t max_len) = 0;
};

class StringHttpBodyStream : public HttpBodyStream {
 public:
  explicit StringHttpBodyStream(std::string data) : data_(std::move(data)) {}
  FileOperationResult GetBytesBuffer(uint8_t* buffer, size_t max_len) override;

 private:
  std::string data_;
  size_t position_ = 0;
};

// Serves a reader that someone else owns and keeps alive.
class FileReaderHttpBodyStream : public HttpBodyStream {
 public:
  explicit FileReaderHttpBodyStream(FileReaderInterface* reader) : reader_(reader) {}
  FileOperationResult GetBytesBuffer(uint8_t* buffer, size_t max_len) override;

 private:
  FileReaderInterface* reader_;
  bool at_end_ = false;
};

// Its parts one after another; a failing part fails the whole.
class CompositeHttpBodyStream : public HttpBodyStream {
 public:
  explicit CompositeHttpBodyStream(std::vector<std::unique_ptr<HttpBodyStream>> parts)
      : parts_(std::move(parts)) {}
  FileOperationResult GetBytesBuffer(uint8_t* buffer, size_t max_len) override;

 private:
  std::vector<std::unique_ptr<HttpBodyStream>> parts_;
  size_t current_ = 0;
};

}  // namespace crash
