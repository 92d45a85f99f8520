#include "installer/util/downloader.h"

#include <windows.h>
#include <wininet.h>

#include <utility>

#include "base/files.h"
#include "base/logging.h"
#include "base/process.h"
#include "base/strings.h"
#include "base/test_hooks.h"
#include "installer/util/download_logic.h"
#include "installer/util/wininet_calls.h"

namespace installer_util {
namespace {

// What the status callback works on while a URL is opened.
struct OpenContext {
  std::wstring* redirect_url;
  DWORD receive_timeout_ms;
};

// Stores the target of a redirect that WinINet follows by itself, and puts
// the receive time-out on the request handle as soon as the request exists
// (Wine applies it only there, not from the session handle).
void CALLBACK OpenCallback(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                           DWORD info_length) {
  auto* open = reinterpret_cast<OpenContext*>(context);
  if (!open) return;
  if (status == INTERNET_STATUS_SENDING_REQUEST && handle) {
    DWORD timeout = open->receive_timeout_ms;
    ::InternetSetOptionW(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
    return;
  }
  if (status != INTERNET_STATUS_REDIRECT || !info) return;
  const auto* text = static_cast<const wchar_t*>(info);
  size_t n = 0;
  const size_t limit = info_length ? info_length : INTERNET_MAX_URL_LENGTH;
  while (n < limit && text[n]) ++n;
  open->redirect_url->assign(text, n);
}

// A transfer that receives nothing for this long fails (WinINet's own
// default under Wine never ends). Tests shorten it.
DWORD ReceiveTimeoutMs() {
  if (const auto hook = base::GetTestHook("RECEIVE_TIMEOUT_MS")) {
    if (const auto value = base::ParseUint32(*hook)) return *value;
  }
  return kReceiveTimeoutMs;
}

// A response that WinINet took for headerless HTTP/0.9 (no status line that
// parses): it invents "HTTP/1.0 200 OK" and serves the garbage as the body.
bool HasNoHeaderLines(HINTERNET request) {
  wchar_t buffer[64];
  DWORD size = sizeof(buffer);
  if (!::HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer, &size, nullptr))
    return false;  // too long for the buffer: there are headers
  return IsHeaderlessResponse(base::WideToUtf8(std::wstring_view(buffer, size / sizeof(wchar_t))));
}

std::string QueryText(HINTERNET request, DWORD what) {
  char buffer[256];
  DWORD size = sizeof(buffer) - 1;
  if (!::HttpQueryInfoA(request, what, buffer, &size, nullptr)) return {};
  return std::string(buffer, size < sizeof(buffer) ? size : sizeof(buffer) - 1);
}

// What a TLS failure of WinINet says about the server's certificate; null
// for other errors.
const char* CertificateProblem(DWORD error) {
  switch (error) {
    case ERROR_INTERNET_INVALID_CA:
      return "is not issued by a trusted authority";
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
      return "is expired or not yet valid";
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
      return "is issued for another host name";
    case ERROR_INTERNET_SEC_CERT_REVOKED:
      return "is revoked";
    case ERROR_INTERNET_SEC_CERT_NO_REV:
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
      return "could not be checked for revocation";
    case ERROR_INTERNET_SEC_INVALID_CERT:
    case ERROR_INTERNET_SEC_CERT_ERRORS:
      return "is invalid";
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
      return "could not be used to set up a secure channel";
    default:
      return nullptr;
  }
}

void CopyFailure(const base::SehFailure& from, DownloadFailureInfo* to) {
  to->exception_code = from.code;
  to->dll_name = from.dll_name;
  to->proc_name = from.proc_name;
}

}  // namespace

// ---------------------------------------------------------------- sinks

bool FileSink::Write(const void* data, uint32_t size) {
  DWORD written = 0;
  if (!::WriteFile(file_, data, size, &written, nullptr) || written != size) return false;
  bytes_written += size;
  return true;
}

void FileSink::Reset() {
  ::SetFilePointer(file_, 0, nullptr, FILE_BEGIN);
  ::SetEndOfFile(file_);
  bytes_written = 0;
}

bool StringSink::Write(const void* data, uint32_t size) {
  data_.append(static_cast<const char*>(data), size);
  bytes_written += size;
  return true;
}

void StringSink::Reset() {
  data_.clear();
  bytes_written = 0;
}

void StringSink::Take(std::string* out) {
  out->clear();
  out->swap(data_);
  bytes_written = 0;
}

// ---------------------------------------------------------------- Downloader

Downloader::Downloader() : buffer_(new uint8_t[kDownloadChunkSize]()) {}

Downloader::~Downloader() = default;

// Opens `url`, following redirects here rather than inside WinINet: Wine
// follows a redirect loop forever, so the hops are counted (kMaxRedirects),
// and a redirect from HTTPS to plain HTTP is refused as WinINet does.
bool Downloader::OpenUrl(const std::wstring& url, const wchar_t* headers, DWORD flags,
                         base::ScopedInternetHandle* out) {
  std::wstring target = url;
  for (int hops = 0;; ++hops) {
    if (::InternetSetStatusCallbackW(internet_.get(), &OpenCallback) ==
        INTERNET_INVALID_STATUS_CALLBACK) {
      LOG_TAG(WARNING, "OpenDownload") << "SetStatusCallback failed";
    }
    OpenContext context = {&redirect_url_, ReceiveTimeoutMs()};
    ::InternetSetOptionW(internet_.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &context.receive_timeout_ms,
                         sizeof(context.receive_timeout_ms));
    const GuardedResult r = GuardedInternetOpenUrl(
        internet_.get(), target.c_str(), headers, flags | INTERNET_FLAG_NO_AUTO_REDIRECT,
        reinterpret_cast<DWORD_PTR>(&context));
    if (r.raised) {
      CopyFailure(r.failure, &failure_info_);
      LOG_TAG(WARNING, "OpenDownload") << "An attempt to open url " << target
                                       << " generated an exception " << r.failure.code;
      return false;
    }
    // Redirects are recorded only while a URL is opened.
    ::InternetSetStatusCallbackW(internet_.get(), nullptr);
    if (!r.handle) {
      if (const char* problem = CertificateProblem(r.error)) {
        LOG_TAG(WARNING, "OpenDownload") << "TLS: the server certificate of " << target << " "
                                         << problem << " (error " << r.error << ")";
      }
      last_error_ = DownloadErrorCode(kInternetOpenUrlError, r.error);
      return false;
    }
    base::ScopedInternetHandle request(r.handle);
    if (HasNoHeaderLines(request.get())) {
      LOG_TAG(WARNING, "OpenDownload") << "Malformed response from " << target;
      last_error_ = DownloadErrorCode(kInternetOpenUrlError, ERROR_HTTP_INVALID_SERVER_RESPONSE);
      return false;
    }
    uint32_t status = 0;
    QueryNumber(request.get(), HTTP_QUERY_STATUS_CODE, &status);
    const std::wstring location =
        IsRedirectStatus(status) ? QueryHeaderText(request.get(), HTTP_QUERY_LOCATION) : L"";
    const std::wstring next = location.empty() ? L"" : CombineUrl(target, location);
    if (next.empty()) {
      // Not a redirect (or one without a usable target: the status check
      // reports it).
      *out = std::move(request);
      return true;
    }
    if (hops >= kMaxRedirects) {
      LOG_TAG(WARNING, "OpenDownload") << "Too many redirects for " << url;
      last_error_ = DownloadErrorCode(kInternetOpenUrlError, ERROR_HTTP_REDIRECT_FAILED);
      return false;
    }
    if (IsSchemeDowngrade(base::WideToUtf8(target), base::WideToUtf8(next))) {
      LOG_TAG(WARNING, "OpenDownload") << "Refused redirect from " << target << " to " << next;
      last_error_ = DownloadErrorCode(kInternetOpenUrlError, ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR);
      return false;
    }
    redirect_url_ = next;
    target = next;
  }
}

bool Downloader::OpenDownload(const std::wstring& url, DownloadSink* sink) {
  current_url_.clear();
  last_error_.clear();
  redirect_url_.clear();
  failure_info_ = {};
  content_length_ = 0;
  length_base_ = 0;
  expected_status_ = 200;
  sink_ = nullptr;
  request_.reset();
  internet_.reset();

  // The first WinINet call of the process loads the library; a failure to
  // load it is a structured exception here.
  const GuardedResult session = GuardedInternetOpen(kDownloadUserAgent);
  if (session.raised) {
    CopyFailure(session.failure, &failure_info_);
    LOG_TAG(WARNING, "OpenDownload") << "An attempt to open url " << url
                                     << " generated an exception " << session.failure.code;
    return false;
  }
  if (!session.handle) {
    last_error_ = DownloadErrorCode(kInternetOpenError, session.error);
    return false;
  }
  internet_.reset(session.handle);

  // A fresh download stays out of WinINet's cache (a setup archive would
  // otherwise be copied there on every attempt, and reading slows down).
  // A resumed one is cached, because InternetSetFilePointer works only on
  // cached requests.
  const DWORD flags =
      INTERNET_FLAG_RELOAD | (sink->bytes_written == 0 ? INTERNET_FLAG_NO_CACHE_WRITE : 0);
  if (!OpenUrl(url, kAcceptAnyHeader, flags, &request_)) return false;
  sink_ = sink;
  current_url_ = url;

  if (sink->bytes_written != 0 && !ResumeAt(url, sink->bytes_written)) {
    if (!request_.is_valid()) return false;
  }
  if (!AcceptBodyLength()) return false;
  LOG_TAG(INFO, "OpenDownload") << "Connection established: " << url;
  return true;
}

// Learns the whole body's length from the open response and refuses, before
// a byte of the body is read, one that the sink's cap or the 32-bit counts
// cannot take. An answer with another status is left to the status check.
bool Downloader::AcceptBodyLength() {
  uint32_t status = 0;
  if (!last_error_.empty() || (QueryStatus(&status) && !IsExpectedStatus(status))) return true;
  uint64_t length = 0;
  if (content_length_ == 0 && QueryContentLength(request_.get(), &length) && length != 0) {
    uint32_t total = 0;
    if (!DeclaredLengthFits(length, sink_->max_bytes)) {
      RefuseBody(kBodyDeclaredAboveCap, length);
      return false;
    }
    if (!TotalBodyLength(length_base_, length, &total)) {
      RefuseBody(kBodyBeyond32Bits, length);
      return false;
    }
    content_length_ = total;
  }
  if (!DeclaredLengthFits(content_length_, sink_->max_bytes)) {
    RefuseBody(kBodyDeclaredAboveCap, content_length_);
    return false;
  }
  return true;
}

// Ends the transfer with "body_too_large-<code>" and a log line naming the
// URL and the cap, and closes the request without reading on. (Wine's
// WinINet, when a request is closed with its announced body unread, still
// reads without blocking whatever has already arrived into a scratch
// buffer before it drops the connection: over loopback that can be much
// of a fast sender's body. None of it reaches the sink.)
void Downloader::RefuseBody(uint32_t code, uint64_t length) {
  LOG_TAG(WARNING, "Download") << BodyRefusalText(code, base::WideToUtf8(current_url_), length,
                                                  sink_->max_bytes);
  last_error_ = DownloadErrorCode(kBodyTooLargeError, code);
  request_.reset();
}

// Continues a download after the `offset` bytes that the sink holds. The
// request is positioned with InternetSetFilePointer; where that fails (Wine
// does not implement it for HTTP and sends nothing), the URL is opened again
// with an explicit range, and only a 206 that starts at `offset` is
// appended to the sink. A server that ignores the range sends the whole
// file, which then replaces the sink's content.
bool Downloader::ResumeAt(const std::wstring& url, uint32_t offset) {
  const DWORD position =
      ::InternetSetFilePointer(request_.get(), static_cast<LONG>(offset), nullptr, FILE_BEGIN, 0);
  if (position == offset) {
    expected_status_ = 0;  // 200 or 206, whichever WinINet reports
    return true;
  }
  const DWORD set_pointer_error = ::GetLastError();
  LOG_TAG(INFO, "OpenDownload") << "InternetSetFilePointer failed with " << set_pointer_error
                                << ", requesting bytes from " << offset << " of " << url;
  request_.reset();
  const std::wstring headers =
      std::wstring(kAcceptAnyHeader) + L"\r\n" + RangeRequestHeaders(offset);
  if (!OpenUrl(url, headers.c_str(), INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE,
               &request_)) {
    sink_ = nullptr;
    current_url_.clear();
    return false;
  }
  uint32_t status = 0;
  QueryStatus(&status);
  const std::string content_range = QueryText(request_.get(), HTTP_QUERY_CONTENT_RANGE);
  switch (ClassifyRangeAnswer(status, content_range, offset)) {
    case RangeAnswer::kContinue: {
      uint64_t first = 0, last = 0, total = 0;
      ParseContentRange(content_range, &first, &last, &total);
      expected_status_ = 206;
      if (total != 0) {
        content_length_ = static_cast<uint32_t>(total);  // fits: ClassifyRangeAnswer checked
      } else {
        length_base_ = offset;  // the 206's Content-Length counts from here
      }
      LOG_TAG(INFO, "OpenDownload") << "Resuming at " << offset << ": " << content_range;
      return true;
    }
    case RangeAnswer::kRestart:
      LOG_TAG(WARNING, "OpenDownload") << "Server ignored the range request, starting over: " << url;
      sink_->Reset();
      return true;
    case RangeAnswer::kRefuse:
      LOG_TAG(WARNING, "OpenDownload") << "Unusable answer to the range request (status " << status
                                       << ", Content-Range \"" << content_range << "\"): " << url;
      last_error_ = DownloadErrorCode(kSetFilePointerError, set_pointer_error);
      sink_->Reset();
      return false;
    case RangeAnswer::kStatus:
      expected_status_ = 206;  // the status check reports the actual code
      return true;
    case RangeAnswer::kTooLarge: {
      uint64_t first = 0, last = 0, total = 0;
      ParseContentRange(content_range, &first, &last, &total);
      RefuseBody(kBodyBeyond32Bits, total > last ? total : last);
      sink_->Reset();
      return false;
    }
  }
  return true;
}

bool Downloader::QueryStatus(uint32_t* status) {
  return request_.is_valid() && QueryNumber(request_.get(), HTTP_QUERY_STATUS_CODE, status);
}

bool Downloader::IsExpectedStatus(uint32_t status) const {
  if (expected_status_ == 0) return status == 200 || status == 206;
  return status == expected_status_;
}

uint32_t Downloader::ReadDownloadChunk() {
  if (!last_error_.empty()) return 0;
  if (!request_.is_valid() || !sink_) return 0;
  // Everything announced is in: whatever a server sends beyond its
  // Content-Length is not part of the body (and may never end).
  if (content_length_ != 0 && sink_->bytes_written >= content_length_) return 0;
  DWORD read = 0;
  if (!::InternetReadFile(request_.get(), buffer_.get(), kDownloadChunkSize, &read)) {
    last_error_ = DownloadErrorCode(kInternetReadError, ::GetLastError());
    return 0;
  }
  uint32_t status = 0;
  if (QueryStatus(&status) && !IsExpectedStatus(status)) return 0;
  const uint32_t held = sink_->bytes_written;
  const uint32_t take = BytesWithinBody(read, held, content_length_);
  if (take < read) {
    // Wine hands over bytes past the Content-Length when they arrive with
    // the last ones.
    LOG_TAG(WARNING, "ReadDownloadChunk") << "Server sent more than its Content-Length of "
                                          << content_length_ << ": " << current_url_;
    read = take;
  }
  if (!FitsByteCount(held, read)) {
    RefuseBody(kBodyBeyond32Bits, static_cast<uint64_t>(held) + read);
    return 0;
  }
  if (!BodyFits(held, read, sink_->max_bytes)) {
    RefuseBody(kBodyGrewAboveCap, static_cast<uint64_t>(held) + read);
    return 0;
  }
  if (read > 0 && !sink_->Write(buffer_.get(), read)) {
    last_error_ = DownloadErrorCode(kWriteFileError, ::GetLastError());
    return 0;
  }
  if (read == 0 && content_length_ != 0 && sink_->bytes_written < content_length_) {
    // The connection ended before the announced length: a truncated body
    // is a failed read, not a finished download.
    LOG_TAG(WARNING, "ReadDownloadChunk") << "Body ended after " << sink_->bytes_written << " of "
                                          << content_length_ << " bytes: " << current_url_;
    last_error_ = DownloadErrorCode(kInternetReadError, ERROR_INTERNET_CONNECTION_ABORTED);
  }
  return read;
}

bool Downloader::FinalizeDownload(uint32_t* status_out) {
  if (!last_error_.empty()) return false;
  uint32_t status = 0;
  if (QueryStatus(&status) && IsExpectedStatus(status)) return true;
  const DWORD error = ::GetLastError();
  last_error_ = FinalQueryInfoErrorCode(status, error);
  LOG_TAG(ERROR, "FinalizeDownload") << "Unsuccessful download: " << current_url_;
  if (status_out) *status_out = status;
  return false;
}

std::string Downloader::QueryCustomHeader(const std::string& name) {
  return request_.is_valid() ? QueryCustomHeaderText(request_.get(), name) : std::string();
}

bool Downloader::RunLoop(const std::wstring& url, DownloadSink* sink, HANDLE stop_event) {
  if (base::IsSignalled(stop_event) || !OpenDownload(url, sink)) return false;
  while (ReadDownloadChunk() != 0) {
    if (base::IsSignalled(stop_event)) {
      LOG_TAG(WARNING, "Download") << "Download stopped: " << url;
      return false;
    }
  }
  return FinalizeDownload(nullptr);
}

bool Downloader::DownloadToFile(const std::string& url, const std::wstring& destination,
                                HANDLE stop_event, uint64_t max_bytes) {
  const std::wstring temp_dir = base::GetTempDir();
  wchar_t temp[MAX_PATH] = {};
  if (temp_dir.empty() || !::GetTempFileNameW(temp_dir.c_str(), L"dl", 0, temp)) {
    PLOG_TAG(WARNING, "DownloadToFile", ::GetLastError()) << "Cannot create a temporary file";
    return false;
  }
  bool ok = false;
  {
    base::ScopedHandle file(::CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.is_valid()) {
      FileSink sink(file.get(), max_bytes);
      ok = RunLoop(base::AsciiToWide(url), &sink, stop_event);
    }
  }
  if (ok) {
    ok = ::MoveFileExW(temp, destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
    if (!ok) PLOG_TAG(WARNING, "DownloadToFile", ::GetLastError()) << "Cannot move to " << destination;
  }
  ::DeleteFileW(temp);
  return ok;
}

bool Downloader::DownloadToString(const std::string& url, HANDLE stop_event, std::string* output,
                                  uint64_t max_bytes) {
  StringSink sink(max_bytes);
  if (!RunLoop(base::AsciiToWide(url), &sink, stop_event)) return false;
  if (output) sink.Take(output);
  return true;
}

// ---------------------------------------------------------------- drivers

bool DownloadWithProgress(const std::wstring& url, DownloadSink* sink, std::string* error,
                          std::wstring* redirect, uint32_t* content_length, HANDLE stop_event,
                          DownloadProgressObserver* observer, DownloadFailureInfo* failure) {
  Downloader downloader;
  bool result = false;
  if (!downloader.OpenDownload(url, sink)) {
    if (failure) *failure = downloader.failure_info();
  } else {
    if (observer && sink->bytes_written == 0) {
      observer->OnProgress(0.0f);
      observer->OnTimeEstimate(-1, kTimeEstimateStarted);
    }
    DownloadProgressTracker tracker(::GetTickCount());
    for (;;) {
      if (base::IsSignalled(stop_event)) {
        LOG_TAG(WARNING, "Download") << "Download stopped: " << url;
        result = false;
        break;
      }
      if (downloader.ReadDownloadChunk() == 0) {
        result = downloader.FinalizeDownload(nullptr);
        if (result && observer) {
          observer->OnProgress(1.0f);
          observer->OnTimeEstimate(0, kTimeEstimateFinished);
        }
        break;
      }
      const auto step =
          tracker.OnChunk(::GetTickCount(), sink->bytes_written, downloader.content_length());
      if (!observer) continue;
      if (step.report_fraction) observer->OnProgress(step.fraction);
      if (step.report_estimate) {
        if (step.slow) observer->OnSlowDownload();
        observer->OnTimeEstimate(step.remaining_seconds, kTimeEstimateRunning);
      }
    }
  }
  if (error) *error = downloader.last_error();
  if (redirect) *redirect = downloader.redirect_url();
  if (content_length) *content_length = downloader.content_length();
  return result;
}

bool Download(const std::wstring& url, DownloadSink* sink, std::string* error,
              std::wstring* redirect, HANDLE stop_event) {
  LOG(INFO) << "Attempt to download module: " << url;
  sink->Reset();
  return DownloadWithProgress(url, sink, error, redirect, nullptr, stop_event, nullptr, nullptr);
}

// ---------------------------------------------------------------- target file

bool DownloadTargetFile::Open(const std::wstring& path) {
  file_.reset(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  return file_.is_valid();
}

bool DownloadTargetFile::LockForExecution() {
  if (!file_.is_valid()) return false;
  // The write handle is still open here, so this reopen must share writing.
  base::ScopedHandle shared(::ReOpenFile(file_.get(), GENERIC_READ | GENERIC_EXECUTE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, 0));
  file_.reset();
  if (!shared.is_valid()) return false;
  file_.reset(::ReOpenFile(shared.get(), GENERIC_READ | GENERIC_EXECUTE, FILE_SHARE_READ, 0));
  return file_.is_valid();
}

}  // namespace installer_util
