#include "installer/crash/http_body_gzip.h"

#include <climits>

#include "base/logging.h"

namespace crash {
namespace {

// zlib's own message for the stream, or its text for the code.
const char* ZlibMessage(const z_stream* stream, int code) {
  return stream && stream->msg ? stream->msg : zError(code);
}

}  // namespace

GzipHttpBodyStream::GzipHttpBodyStream(std::unique_ptr<HttpBodyStream> source)
    : input_(), source_(std::move(source)) {}

GzipHttpBodyStream::~GzipHttpBodyStream() {
  if (state_ == State::kOperating || state_ == State::kInputEOF) deflateEnd(z_stream_.get());
}

FileOperationResult GzipHttpBodyStream::GetBytesBuffer(uint8_t* buffer, size_t max_len) {
  if (state_ == State::kError) return -1;
  if (state_ == State::kFinished) return 0;

  if (state_ == State::kUninitialized) {
    z_stream_ = std::make_unique<z_stream>();
    // 15 bits of window plus 16 for the gzip wrapper.
    const int result = deflateInit2(z_stream_.get(), Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16,
                                    8, Z_DEFAULT_STRATEGY);
    if (result != Z_OK) {
      LOG(ERROR) << "deflateInit2: " << ZlibMessage(z_stream_.get(), result) << " (" << result
                 << ")";
      state_ = State::kError;
      return -1;
    }
    state_ = State::kOperating;
  }

  const uInt out_size = max_len > UINT_MAX ? UINT_MAX : static_cast<uInt>(max_len);
  z_stream_->next_out = buffer;
  z_stream_->avail_out = out_size;

  while (z_stream_->avail_out > 0) {
    if (state_ == State::kOperating && z_stream_->avail_in == 0) {
      const FileOperationResult got = source_->GetBytesBuffer(input_, kInputBufferSize);
      if (got < 0) {
        deflateEnd(z_stream_.get());
        state_ = State::kError;
        return -1;
      }
      if (got == 0) {
        state_ = State::kInputEOF;
      } else {
        z_stream_->next_in = input_;
        z_stream_->avail_in = static_cast<uInt>(got);
      }
    }
    const int flush = state_ == State::kInputEOF ? Z_FINISH : Z_NO_FLUSH;
    const int result = deflate(z_stream_.get(), flush);
    if (state_ == State::kInputEOF && result == Z_STREAM_END) {
      const int end = deflateEnd(z_stream_.get());
      if (end != Z_OK) {
        LOG(ERROR) << "deflateEnd: " << ZlibMessage(z_stream_.get(), end) << " (" << end << ")";
        state_ = State::kError;
        return -1;
      }
      state_ = State::kFinished;
      break;
    }
    if (result != Z_OK) {
      LOG(ERROR) << "deflate: " << ZlibMessage(z_stream_.get(), result) << " (" << result << ")";
      deflateEnd(z_stream_.get());
      state_ = State::kError;
      return -1;
    }
  }
  return static_cast<FileOperationResult>(out_size - z_stream_->avail_out);
}

}  // namespace crash
