#include "installer/crash/http_body.h"

#include <algorithm>
#include <cstring>

namespace crash {

FileOperationResult StringHttpBodyStream::GetBytesBuffer(uint8_t* buffer, size_t max_len) {
  const size_t n = std::min(max_len, data_.size() - position_);
  if (n > 0) std::memcpy(buffer, data_.data() + position_, n);
  position_ += n;
  return static_cast<FileOperationResult>(n);
}

FileOperationResult FileReaderHttpBodyStream::GetBytesBuffer(uint8_t* buffer, size_t max_len) {
  if (at_end_ || max_len == 0) return 0;
  size_t total = 0;
  while (total < max_len) {
    const FileOperationResult got = reader_->Read(buffer + total, max_len - total);
    if (got < 0) return -1;
    if (got == 0) {
      at_end_ = true;
      break;
    }
    total += static_cast<size_t>(got);
  }
  return static_cast<FileOperationResult>(total);
}

FileOperationResult CompositeHttpBodyStream::GetBytesBuffer(uint8_t* buffer, size_t max_len) {
  size_t total = 0;
  while (total < max_len && current_ < parts_.size()) {
    const FileOperationResult got = parts_[current_]->GetBytesBuffer(buffer + total, max_len - total);
    if (got < 0) return -1;
    if (got == 0) {
      ++current_;
      continue;
    }
    total += static_cast<size_t>(got);
  }
  return static_cast<FileOperationResult>(total);
}

}  // namespace crash
