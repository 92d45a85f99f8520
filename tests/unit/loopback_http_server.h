// A one-request HTTP server on 127.0.0.1 for unit tests of HTTP clients:
// it accepts one connection on its own thread, reads the request (plain or
// chunked body), records it, and answers with a chosen status.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <map>
#include <string>

namespace testing_support {

class LoopbackHttpServer {
 public:
  struct Request {
    std::string request_line;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string raw_body;                        // as it came over the wire
    std::string body;                            // chunks joined
    bool chunked = false;
    bool complete = false;  // the whole body arrived
  };

  explicit LoopbackHttpServer(int status = 200, std::string response_body = "ok\n");
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;
  ~LoopbackHttpServer();

  // "http://127.0.0.1:<port>".
  std::string base_url() const;
  // Waits for the connection to end (at most 30 s); the request then.
  const Request& WaitForRequest();

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void Serve();

  int status_;
  std::string response_body_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  HANDLE thread_ = nullptr;
  volatile bool stopping_ = false;
  Request request_;
};

}  // namespace testing_support
