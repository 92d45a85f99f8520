// HttpTransport over WinHTTP: synchronous, the body streamed from its
// HttpBodyStream in 32 KiB pieces, chunked unless a Content-Length is given.
#include <windows.h>
#include <winhttp.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/logging.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "installer/crash/http_text.h"
#include "installer/crash/http_transport.h"
#include "installer/crash/module_version.h"
#include "installer/util/download_logic.h"

namespace crash {
namespace {

constexpr size_t kBodyReadSize = 32768;
constexpr DWORD kResponseReadSize = 4096;
// The crash host answers with the report's id, one short line. The answer
// is held in memory, inside the crash filter of a failing process: one
// announced or grown beyond 64 KiB is not the crash host's and is refused.
constexpr uint64_t kMaxResponseBytes = 64 * 1024;

struct InternetHandleTraits {
  using Handle = HINTERNET;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::WinHttpCloseHandle(h); }
};
using ScopedInternet = base::ScopedGeneric<InternetHandleTraits>;

// "<call>: <winhttp.dll's text for the error> (0x2ee2)".
std::string WinHttpMessage(const char* call, DWORD error = ::GetLastError()) {
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
      ::GetModuleHandleW(L"winhttp.dll"), error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  char code[64];
  std::string out = call;
  if (length == 0 || !text) {
    std::snprintf(code, sizeof(code), ": error 0x%lx while retrieving error 0x%lx",
                  static_cast<unsigned long>(::GetLastError()), static_cast<unsigned long>(error));
    return out + code;
  }
  std::string message(text, length);
  ::LocalFree(text);
  while (!message.empty() && (message.back() == ' ' || message.back() == '\r' ||
                              message.back() == '\n'))
    message.pop_back();
  std::snprintf(code, sizeof(code), " (0x%lx)", static_cast<unsigned long>(error));
  return out + ": " + message + code;
}

// The loaded module's file, or the system folder's copy when the module is
// not loaded yet (system libraries are loaded on first use).
std::wstring ModulePath(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  if (HMODULE module = ::GetModuleHandleW(name)) {
    const DWORD n = ::GetModuleFileNameW(module, path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return std::wstring(path, n);
  }
  const UINT n = ::GetSystemDirectoryW(path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::wstring(path, n) + L"\\" + name;
}

std::string FormatVersion(const char* format, const VS_FIXEDFILEINFO& info) {
  char text[96];
  std::snprintf(text, sizeof(text), format, static_cast<unsigned long>(info.dwFileVersionMS >> 16),
                static_cast<unsigned long>(info.dwFileVersionMS & 0xFFFF),
                static_cast<unsigned long>(info.dwFileVersionLS >> 16),
                static_cast<unsigned long>(info.dwFileVersionLS & 0xFFFF));
  return text;
}

bool IsWow64() {
  BOOL wow64 = FALSE;
  if (!::IsWow64Process(::GetCurrentProcess(), &wow64)) {
    PLOG(ERROR, ::GetLastError()) << "IsWow64Process";
    return false;
  }
  return wow64 != FALSE;
}

std::wstring UserAgent() {
  std::string agent = "Crashpad/0.8.0 WinHTTP";
  VS_FIXEDFILEINFO info;
  const std::wstring winhttp = ModulePath(L"winhttp.dll");
  if (!winhttp.empty() && GetModuleVersionAndType(winhttp, &info))
    agent += FormatVersion("/%lu.%lu.%lu.%lu", info);
  const std::wstring kernel32 = ModulePath(L"kernel32.dll");
  if (!kernel32.empty() && GetModuleVersionAndType(kernel32, &info) &&
      (info.dwFileOS & VOS_NT_WINDOWS32) == VOS_NT_WINDOWS32) {
    agent += FormatVersion(" Windows_NT/%lu.%lu.%lu.%lu (", info);
    agent += "x86";
    if (IsWow64()) agent += "; WoW64";
    agent += ")";
  }
  return base::AsciiToWide(agent);
}

// Windows takes a total length of 0 (WINHTTP_IGNORE_REQUEST_TOTAL_LENGTH)
// for a chunked upload and sends no Content-Length. Wine 8 does not know
// chunked requests: it adds "Content-Length: <total length>" to a POST and,
// when that length is not above the data given to WinHttpSendRequest,
// reads the answer at once, so the chunks written afterwards never reach
// the server (and an empty Content-Length header counts as 0 there too).
// Under Wine the total length is therefore MAXDWORD, which Wine prints as
// "Content-Length: -1"; the receiver goes by Transfer-Encoding, which
// overrides any Content-Length.
bool RunningOnWine() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The answer's Content-Length, read as text (64 bits); false without one.
bool QueryContentLength(HINTERNET request, uint64_t* length) {
  wchar_t text[32];
  DWORD size = sizeof(text);
  if (!::WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX,
                             text, &size, WINHTTP_NO_HEADER_INDEX))
    return false;
  return installer_util::ParseContentLength(
      base::WideToUtf8(std::wstring_view(text, size / sizeof(wchar_t))), length);
}

// Reads the answer into `body` (may be null) up to kMaxResponseBytes: a
// longer one, announced or not, ends the request as a failure before more
// is read.
bool ReadResponse(HINTERNET request, const std::string& url, std::string* body) {
  using installer_util::BodyRefusalText;
  uint64_t declared = 0;
  if (QueryContentLength(request, &declared) &&
      !installer_util::DeclaredLengthFits(declared, kMaxResponseBytes)) {
    LOG(ERROR) << BodyRefusalText(installer_util::kBodyDeclaredAboveCap, url, declared,
                                  kMaxResponseBytes);
    return false;
  }
  if (body) body->clear();
  char buffer[kResponseReadSize];
  uint64_t received = 0;
  for (;;) {
    DWORD read = 0;
    if (!::WinHttpReadData(request, buffer, kResponseReadSize, &read)) {
      LOG(ERROR) << WinHttpMessage("WinHttpReadData");
      return false;
    }
    if (read == 0) return true;
    if (!installer_util::BodyFits(received, read, kMaxResponseBytes)) {
      LOG(ERROR) << BodyRefusalText(installer_util::kBodyGrewAboveCap, url, received + read,
                                    kMaxResponseBytes);
      return false;
    }
    received += read;
    if (body) body->append(buffer, read);
  }
}

class HttpTransportWin final : public HttpTransport {
 public:
  bool ExecuteSynchronously(std::string* response_body) override;

 private:
  bool AddHeaders(HINTERNET request, bool* chunked, DWORD* total_length);
  bool SendBody(HINTERNET request, bool chunked);
};

bool WriteAll(HINTERNET request, const void* data, size_t size) {
  DWORD written = 0;
  if (!::WinHttpWriteData(request, data, static_cast<DWORD>(size), &written)) {
    LOG(ERROR) << WinHttpMessage("WinHttpWriteData");
    return false;
  }
  if (written != size) {
    LOG(ERROR) << "WinHttpWriteData: wrote " << static_cast<unsigned long>(written) << " of "
               << static_cast<unsigned long long>(size);
    return false;
  }
  return true;
}

bool HttpTransportWin::SendBody(HINTERNET request, bool chunked) {
  std::vector<uint8_t> data(kBodyReadSize);
  std::vector<uint8_t> piece;
  piece.reserve(kBodyReadSize + 16);
  HttpBodyStream* body = body_stream();
  for (;;) {
    FileOperationResult got = 0;
    if (body) {
      got = body->GetBytesBuffer(data.data(), data.size());
      if (got < 0) {
        LOG(ERROR) << "body stream failed";
        return false;
      }
    }
    if (!chunked) {
      if (got == 0) return true;
      if (!WriteAll(request, data.data(), static_cast<size_t>(got))) return false;
      continue;
    }
    const std::string size_line = FormatChunkSize(static_cast<size_t>(got)) + "\r\n";
    piece.assign(size_line.begin(), size_line.end());
    piece.insert(piece.end(), data.begin(), data.begin() + static_cast<size_t>(got));
    piece.push_back('\r');
    piece.push_back('\n');
    if (got == 0) {
      // The last chunk: "0" CRLF, then the empty trailer CRLF.
      return WriteAll(request, piece.data(), piece.size());
    }
    if (!WriteAll(request, piece.data(), piece.size())) return false;
  }
}

// Adds the request's headers; a "Content-Length" one gives the total length
// instead and switches chunked transfer off.
bool HttpTransportWin::AddHeaders(HINTERNET request, bool* chunked, DWORD* total_length) {
  for (const auto& [name, value] : headers()) {
    if (base::EqualsCaseInsensitiveAscii(name, "Content-Length")) {
      const std::optional<uint32_t> length = base::ParseUint32(value);
      if (!length) {
        LOG(ERROR) << "invalid Content-Length " << value;
        return false;
      }
      *total_length = *length;
      *chunked = false;
      continue;
    }
    const std::wstring line = base::Utf8ToWide(name + ": " + value + "\r\n");
    if (!::WinHttpAddRequestHeaders(request, line.c_str(), static_cast<DWORD>(-1),
                                    WINHTTP_ADDREQ_FLAG_ADD)) {
      LOG(ERROR) << WinHttpMessage("WinHttpAddRequestHeaders");
      return false;
    }
  }
  if (*chunked) {
    if (!::WinHttpAddRequestHeaders(request, L"Transfer-Encoding: chunked\r\n",
                                    static_cast<DWORD>(-1), WINHTTP_ADDREQ_FLAG_ADD)) {
      LOG(ERROR) << WinHttpMessage("WinHttpAddRequestHeaders");
      return false;
    }
    if (RunningOnWine()) *total_length = MAXDWORD;  // see RunningOnWine
  }
  return true;
}

bool HttpTransportWin::ExecuteSynchronously(std::string* response_body) {
  ScopedInternet session(::WinHttpOpen(UserAgent().c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                       WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) {
    LOG(ERROR) << WinHttpMessage("WinHttpOpen");
    return false;
  }
  const int timeout_ms = static_cast<int>(timeout() * 1000);
  if (!::WinHttpSetTimeouts(session.get(), timeout_ms, timeout_ms, timeout_ms, timeout_ms)) {
    LOG(ERROR) << WinHttpMessage("WinHttpSetTimeouts");
    return false;
  }

  const std::wstring url = base::Utf8ToWide(this->url());
  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!::WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) {
    LOG(ERROR) << WinHttpMessage("WinHttpCrackUrl");
    return false;
  }
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path(parts.lpszUrlPath ? parts.lpszUrlPath : L"", parts.dwUrlPathLength);
  if (parts.lpszExtraInfo) path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;

  ScopedInternet connect(::WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
  if (!connect) {
    LOG(ERROR) << WinHttpMessage("WinHttpConnect");
    return false;
  }
  ScopedInternet request(::WinHttpOpenRequest(
      connect.get(), base::Utf8ToWide(method()).c_str(), path.c_str(), nullptr,
      WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, secure ? WINHTTP_FLAG_SECURE : 0));
  if (!request) {
    LOG(ERROR) << WinHttpMessage("WinHttpOpenRequest");
    return false;
  }
  // The wait for the answer is bounded as well (Wine's default is to wait
  // forever, and this runs inside the crash filter).
  DWORD response_timeout = static_cast<DWORD>(timeout_ms);
  if (!::WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT,
                          &response_timeout, sizeof(response_timeout)))
    LOG(WARNING) << WinHttpMessage("WinHttpSetOption");

  bool chunked = true;
  DWORD total_length = WINHTTP_IGNORE_REQUEST_TOTAL_LENGTH;
  if (!AddHeaders(request.get(), &chunked, &total_length)) return false;

  if (!::WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                            WINHTTP_NO_REQUEST_DATA, 0, total_length, 0)) {
    LOG(ERROR) << WinHttpMessage("WinHttpSendRequest");
    return false;
  }
  if (!SendBody(request.get(), chunked)) return false;

  if (!::WinHttpReceiveResponse(request.get(), nullptr)) {
    LOG(ERROR) << WinHttpMessage("WinHttpReceiveResponse");
    return false;
  }
  DWORD status = 0;
  DWORD status_size = sizeof(status);
  if (!::WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &status_size,
                             WINHTTP_NO_HEADER_INDEX)) {
    LOG(ERROR) << WinHttpMessage("WinHttpQueryHeaders");
    return false;
  }
  if (status != 200) {
    LOG(ERROR) << "HTTP status " << static_cast<unsigned long>(status);
    return false;
  }

  return ReadResponse(request.get(), this->url(), response_body);
}

}  // namespace

HttpTransport::HttpTransport() = default;
HttpTransport::~HttpTransport() = default;

std::unique_ptr<HttpTransport> HttpTransport::Create() {
  return std::make_unique<HttpTransportWin>();
}

}  // namespace crash
