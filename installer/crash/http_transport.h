// One HTTP request with a streamed body, executed synchronously.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "installer/crash/http_body.h"

namespace crash {

class HttpTransport {
 public:
  using Headers = std::map<std::string, std::string>;

  // The platform's transport (WinHTTP).
  static std::unique_ptr<HttpTransport> Create();

  HttpTransport(const HttpTransport&) = delete;
  HttpTransport& operator=(const HttpTransport&) = delete;
  virtual ~HttpTransport();

  void SetURL(const std::string& url) { url_ = url; }
  void SetMethod(const std::string& method) { method_ = method; }
  // A "Content-Length" header gives the body length and switches chunked
  // transfer off; without it the body goes out in chunks.
  void SetHeader(const std::string& name, const std::string& value) { headers_[name] = value; }
  void SetBodyStream(std::unique_ptr<HttpBodyStream> stream) { body_stream_ = std::move(stream); }
  void SetTimeout(double seconds) { timeout_ = seconds; }

  // True when the server answered 200 with a body of at most 64 KiB (the
  // crash host's answer is one short line); the body lands in
  // `response_body` (may be null). A longer answer is a failure.
  virtual bool ExecuteSynchronously(std::string* response_body) = 0;

 protected:
  HttpTransport();

  const std::string& url() const { return url_; }
  const std::string& method() const { return method_; }
  const Headers& headers() const { return headers_; }
  HttpBodyStream* body_stream() { return body_stream_.get(); }
  double timeout() const { return timeout_; }

 private:
  std::string url_;
  std::string method_ = "POST";
  Headers headers_;
  std::unique_ptr<HttpBodyStream> body_stream_;
  double timeout_ = 15.0;
};

}  // namespace crash
