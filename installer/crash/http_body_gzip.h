// A body stream that gzip-compresses another one on the fly.
#pragma once

#include <zlib.h>

#include <memory>

#include "installer/crash/http_body.h"

namespace crash {

class GzipHttpBodyStream : public HttpBodyStream {
 public:
  explicit GzipHttpBodyStream(std::unique_ptr<HttpBodyStream> source);
  GzipHttpBodyStream(const GzipHttpBodyStream&) = delete;
  GzipHttpBodyStream& operator=(const GzipHttpBodyStream&) = delete;
  ~GzipHttpBodyStream() override;

  FileOperationResult GetBytesBuffer(uint8_t* buffer, size_t max_len) override;

 private:
  enum class State { kUninitialized, kOperating, kInputEOF, kFinished, kError };
  static constexpr size_t kInputBufferSize = 4096;

  uint8_t input_[kInputBufferSize];
  std::unique_ptr<z_stream> z_stream_;
  std::unique_ptr<HttpBodyStream> source_;
  State state_ = State::kUninitialized;
};

}  // namespace crash
