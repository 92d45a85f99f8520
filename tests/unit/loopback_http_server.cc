#include "loopback_http_server.h"

#include <ws2tcpip.h>

#include <cstdlib>

namespace testing_support {
namespace {

constexpr DWORD kWaitMs = 30000;

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

class Connection {
 public:
  explicit Connection(SOCKET s) : socket_(s) {}
  ~Connection() { ::closesocket(socket_); }
  // One line without its CRLF; false when the peer closed first.
  bool ReadLine(std::string* line, std::string* raw) {
    line->clear();
    for (;;) {
      char c;
      if (!ReadByte(&c)) return false;
      if (raw) raw->push_back(c);
      if (c == '\n') break;
      line->push_back(c);
    }
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return true;
  }
  bool Read(size_t n, std::string* out, std::string* raw) {
    for (size_t i = 0; i < n; ++i) {
      char c;
      if (!ReadByte(&c)) return false;
      out->push_back(c);
      if (raw) raw->push_back(c);
    }
    return true;
  }
  void Send(const std::string& data) { ::send(socket_, data.data(), static_cast<int>(data.size()), 0); }

 private:
  bool ReadByte(char* c) {
    if (pos_ == size_) {
      const int n = ::recv(socket_, buffer_, sizeof(buffer_), 0);
      if (n <= 0) return false;
      pos_ = 0;
      size_ = n;
    }
    *c = buffer_[pos_++];
    return true;
  }
  SOCKET socket_;
  char buffer_[16384];
  int pos_ = 0;
  int size_ = 0;
};

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(int status, std::string response_body)
    : status_(status), response_body_(std::move(response_body)) {
  WSADATA data;
  ::WSAStartup(MAKEWORD(2, 2), &data);
  listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  ::listen(listener_, 1);
  int length = sizeof(address);
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  thread_ = ::CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr);
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stopping_ = true;
  if (thread_) {
    ::WaitForSingleObject(thread_, kWaitMs);
    ::CloseHandle(thread_);
  }
  ::closesocket(listener_);
  ::WSACleanup();
}

std::string LoopbackHttpServer::base_url() const {
  return "http://127.0.0.1:" + std::to_string(port_);
}

const LoopbackHttpServer::Request& LoopbackHttpServer::WaitForRequest() {
  if (thread_) {
    ::WaitForSingleObject(thread_, kWaitMs);
    ::CloseHandle(thread_);
    thread_ = nullptr;
  }
  return request_;
}

DWORD WINAPI LoopbackHttpServer::ThreadMain(void* self) {
  static_cast<LoopbackHttpServer*>(self)->Serve();
  return 0;
}

void LoopbackHttpServer::Serve() {
  // Short waits, so that a server nobody calls ends soon after it is dropped.
  for (DWORD waited = 0;; waited += 100) {
    if (stopping_ || waited >= kWaitMs) return;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener_, &readable);
    timeval wait = {0, 100000};
    const int ready = ::select(0, &readable, nullptr, nullptr, &wait);
    if (ready < 0) return;
    if (ready == 1) break;
  }
  const SOCKET s = ::accept(listener_, nullptr, nullptr);
  if (s == INVALID_SOCKET) return;
  DWORD receive_timeout = kWaitMs;
  ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&receive_timeout),
               sizeof(receive_timeout));
  Connection connection(s);

  if (!connection.ReadLine(&request_.request_line, nullptr)) return;
  std::string line;
  while (connection.ReadLine(&line, nullptr) && !line.empty()) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    size_t value = colon + 1;
    while (value < line.size() && line[value] == ' ') ++value;
    request_.headers[Lower(line.substr(0, colon))] = line.substr(value);
  }
  const auto encoding = request_.headers.find("transfer-encoding");
  request_.chunked = encoding != request_.headers.end() && Lower(encoding->second) == "chunked";
  if (request_.chunked) {
    for (;;) {
      if (!connection.ReadLine(&line, &request_.raw_body)) return;
      const size_t size = std::strtoul(line.c_str(), nullptr, 16);
      if (size == 0) {
        if (!connection.ReadLine(&line, &request_.raw_body)) return;
        break;
      }
      if (!connection.Read(size, &request_.body, &request_.raw_body)) return;
      if (!connection.ReadLine(&line, &request_.raw_body)) return;
    }
  } else if (const auto length = request_.headers.find("content-length");
             length != request_.headers.end()) {
    const size_t size = std::strtoul(length->second.c_str(), nullptr, 10);
    if (!connection.Read(size, &request_.body, &request_.raw_body)) return;
  }
  request_.complete = true;
  connection.Send("HTTP/1.1 " + std::to_string(status_) + " Test\r\nContent-Length: " +
                  std::to_string(response_body_.size()) + "\r\nConnection: close\r\n\r\n" +
                  response_body_);
}

}  // namespace testing_support
