#include "installer/util/interruptible_downloader.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <utility>

#include "base/files.h"
#include "base/logging.h"
#include "base/process.h"
#include "base/seh_guard.h"
#include "base/strings.h"
#include "installer/util/download_logic.h"
#include "installer/util/downloader.h"
#include "installer/util/wininet_calls.h"

namespace installer_util {
namespace {

// WinINet's own worker gives up on a silent connection after this long, so
// that an abandoned request does not hold its thread for ever.
constexpr DWORD kBackgroundReceiveTimeoutMs = 30000;

}  // namespace

// What WinINet's worker threads may still touch after the caller has given
// up on a request: the completion event, the results and the buffers that
// pending calls write into. Owned by the caller and by the request handle;
// the handle's reference goes with its INTERNET_STATUS_HANDLE_CLOSING, the
// last notification WinINet sends for it. The count is the hop's own (it is
// no COM object).
struct InterruptibleDownloader::Hop {
  LONG references = 2;
  base::ScopedHandle done{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  DWORD result = 0;
  DWORD error = 0;
  DWORD available = 0;
  DWORD read = 0;
  uint8_t buffer[kDownloadChunkSize];

  void Unref() {
    if (::InterlockedDecrement(&references) == 0) delete this;
  }
};

void InterruptibleDownloader::HopUnref::operator()(Hop* hop) const { hop->Unref(); }

namespace {

void CALLBACK OnStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                       DWORD info_length) {
  auto* hop = reinterpret_cast<InterruptibleDownloader::Hop*>(context);
  if (!hop) return;
  if (status == INTERNET_STATUS_REQUEST_COMPLETE && info) {
    const auto* result = static_cast<const INTERNET_ASYNC_RESULT*>(info);
    hop->result = static_cast<DWORD>(result->dwResult);
    hop->error = result->dwError;
    ::SetEvent(hop->done.get());
  } else if (status == INTERNET_STATUS_HANDLE_CLOSING) {
    hop->Unref();  // the request handle's reference
  }
}

}  // namespace

InterruptibleDownloader::InterruptibleDownloader() = default;

InterruptibleDownloader::~InterruptibleDownloader() { CloseRequest(); }

void InterruptibleDownloader::CloseRequest() {
  if (request_.is_valid()) {
    request_.reset();  // its closing notification drops the handle's reference
  } else if (hop_) {
    hop_->Unref();  // no handle was made: drop the handle's reference here
  }
  hop_.reset();
  connection_.reset();
}

bool InterruptibleDownloader::Fail(std::string error) {
  last_error_ = std::move(error);
  CloseRequest();
  return false;
}

bool InterruptibleDownloader::Stop() {
  stopped_ = true;
  return Fail(DownloadErrorCode(kInternetReadError, ERROR_INTERNET_OPERATION_CANCELLED));
}

InterruptibleDownloader::Wait InterruptibleDownloader::WaitForCompletion() {
  HANDLE handles[2] = {hop_->done.get(), stop_event_};
  const DWORD count = stop_event_ ? 2 : 1;
  for (;;) {
    const DWORD r = ::WaitForMultipleObjects(count, handles, FALSE, kPollIntervalMs);
    if (r == WAIT_OBJECT_0) return Wait::kDone;
    if (r != WAIT_TIMEOUT) return Wait::kStopped;  // the stop event, or a failed wait
    if (*keep_going_ && !(*keep_going_)()) return Wait::kStopped;
  }
}

bool InterruptibleDownloader::OpenSession() {
  if (session_.is_valid()) return true;
  HINTERNET session = nullptr;
  DWORD error = 0;
  base::SehFailure failure;
  // The first WinINet call of the process loads the library.
  const bool returned = base::RunWithSehGuard(
      [&] {
        session = ::InternetOpenW(kDownloadUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
                                  nullptr, INTERNET_FLAG_ASYNC);
        error = session ? 0 : ::GetLastError();
      },
      &failure);
  if (!returned) {
    LOG_TAG(WARNING, "OpenDownload") << "Opening the internet session generated an exception "
                                     << static_cast<uint32_t>(failure.code);
    last_error_ = DownloadErrorCode(kInternetOpenError, failure.code);
    return false;
  }
  if (!session) {
    last_error_ = DownloadErrorCode(kInternetOpenError, error);
    return false;
  }
  session_.reset(session);
  if (::InternetSetStatusCallbackW(session_.get(), &OnStatus) == INTERNET_INVALID_STATUS_CALLBACK) {
    last_error_ = DownloadErrorCode(kInternetOpenError, ::GetLastError());
    session_.reset();
    return false;
  }
  return true;
}

bool InterruptibleDownloader::SendRequest(const std::wstring& url, uint32_t* status) {
  CloseRequest();
  wchar_t host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
  std::wstring path(INTERNET_MAX_URL_LENGTH + 1, L'\0');
  std::wstring extra(INTERNET_MAX_URL_LENGTH + 1, L'\0');
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = host;
  parts.dwHostNameLength = static_cast<DWORD>(std::size(host));
  parts.lpszUrlPath = path.data();
  parts.dwUrlPathLength = static_cast<DWORD>(path.size());
  parts.lpszExtraInfo = extra.data();
  parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
  if (!::InternetCrackUrlW(url.c_str(), 0, 0, &parts) ||
      (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)) {
    return Fail(DownloadErrorCode(kInternetOpenUrlError, ERROR_INTERNET_UNRECOGNIZED_SCHEME));
  }
  path.resize(parts.dwUrlPathLength);
  extra.resize(parts.dwExtraInfoLength);
  const std::wstring object = (path.empty() ? L"/" : path) + extra;

  connection_.reset(::InternetConnectW(session_.get(), host, parts.nPort, nullptr, nullptr,
                                       INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection_.is_valid())
    return Fail(DownloadErrorCode(kInternetOpenUrlError, ::GetLastError()));

  hop_.reset(new Hop());
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
  request_.reset(::HttpOpenRequestW(connection_.get(), L"GET", object.c_str(), nullptr, nullptr,
                                    nullptr, flags, reinterpret_cast<DWORD_PTR>(hop_.get())));
  if (!request_.is_valid())
    return Fail(DownloadErrorCode(kInternetOpenUrlError, ::GetLastError()));
  DWORD timeout = kBackgroundReceiveTimeoutMs;
  ::InternetSetOptionW(request_.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));

  if (!::HttpSendRequestW(request_.get(), kAcceptAnyHeader, static_cast<DWORD>(-1), nullptr, 0)) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_IO_PENDING) return Fail(DownloadErrorCode(kInternetOpenUrlError, error));
    if (WaitForCompletion() == Wait::kStopped) return Stop();
    if (!hop_->result) return Fail(DownloadErrorCode(kInternetOpenUrlError, hop_->error));
  }
  if (!QueryNumber(request_.get(), HTTP_QUERY_STATUS_CODE, status))
    return Fail(FinalQueryInfoErrorCode(0, ::GetLastError()));
  return true;
}

// Ends the transfer with "body_too_large-<code>" and a log line naming the
// URL and the cap, and closes the request without reading on (see
// Downloader::RefuseBody for what Wine does with the unread bytes).
bool InterruptibleDownloader::RefuseBody(const std::wstring& url, uint32_t code, uint64_t length,
                                         uint64_t cap) {
  LOG_TAG(WARNING, "Download") << BodyRefusalText(code, base::WideToUtf8(url), length, cap);
  return Fail(DownloadErrorCode(kBodyTooLargeError, code));
}

bool InterruptibleDownloader::ReadBody(const std::wstring& url, DownloadSink* sink) {
  uint64_t content_length = 0;
  const bool has_length = QueryContentLength(request_.get(), &content_length);
  // An announced length is judged before a byte of the body is read.
  if (has_length && !DeclaredLengthFits(content_length, sink->max_bytes))
    return RefuseBody(url, kBodyDeclaredAboveCap, content_length, sink->max_bytes);
  if (has_length && content_length > UINT32_MAX)
    return RefuseBody(url, kBodyBeyond32Bits, content_length, sink->max_bytes);
  uint64_t received = 0;
  for (;;) {
    if (base::IsSignalled(stop_event_) || (*keep_going_ && !(*keep_going_)())) return Stop();
    // Waits (in polls) until data are buffered, so that the read below
    // never blocks.
    if (!::InternetQueryDataAvailable(request_.get(), &hop_->available, 0, 0)) {
      const DWORD error = ::GetLastError();
      if (error != ERROR_IO_PENDING) return Fail(DownloadErrorCode(kInternetReadError, error));
      if (WaitForCompletion() == Wait::kStopped) return Stop();
      if (!hop_->result) return Fail(DownloadErrorCode(kInternetReadError, hop_->error));
      continue;  // ask again: the answer is now at hand
    }
    if (hop_->available == 0) break;  // the end of the body
    const DWORD want = std::min<DWORD>(hop_->available, kDownloadChunkSize);
    hop_->read = 0;
    if (!::InternetReadFile(request_.get(), hop_->buffer, want, &hop_->read)) {
      const DWORD error = ::GetLastError();
      if (error != ERROR_IO_PENDING) return Fail(DownloadErrorCode(kInternetReadError, error));
      if (WaitForCompletion() == Wait::kStopped) return Stop();
      if (!hop_->result) return Fail(DownloadErrorCode(kInternetReadError, hop_->error));
    }
    if (hop_->read == 0) break;
    DWORD take = hop_->read;
    if (has_length && received + take > content_length) {
      // Whatever comes beyond the announced length is not part of the body.
      take = static_cast<DWORD>(content_length - received);
    }
    // A body without a length stops at the cap.
    if (!BodyFits(received, take, sink->max_bytes))
      return RefuseBody(url, kBodyGrewAboveCap, received + take, sink->max_bytes);
    if (!FitsByteCount(sink->bytes_written, take))
      return RefuseBody(url, kBodyBeyond32Bits, received + take, sink->max_bytes);
    if (take > 0 && !sink->Write(hop_->buffer, take))
      return Fail(DownloadErrorCode(kWriteFileError, ::GetLastError()));
    received += take;
    if (has_length && received >= content_length) break;
  }
  if (has_length && received < content_length) {
    LOG_TAG(WARNING, "ReadDownloadChunk") << "Body ended after " << received << " of "
                                          << content_length << " bytes";
    return Fail(DownloadErrorCode(kInternetReadError, ERROR_INTERNET_CONNECTION_ABORTED));
  }
  return true;
}

bool InterruptibleDownloader::Fetch(const std::wstring& url, DownloadSink* sink, HANDLE stop_event,
                                    const KeepGoing& keep_going) {
  last_error_.clear();
  stopped_ = false;
  stop_event_ = stop_event;
  keep_going_ = &keep_going;
  sink->Reset();
  bool ok = false;
  if (base::IsSignalled(stop_event) || (keep_going && !keep_going())) {
    ok = Stop();
  } else if (OpenSession()) {
    std::wstring target = url;
    for (int hops = 0;; ++hops) {
      uint32_t status = 0;
      if (!SendRequest(target, &status)) break;
      if (IsRedirectStatus(status)) {
        const std::wstring location = QueryHeaderText(request_.get(), HTTP_QUERY_LOCATION);
        const std::wstring next = location.empty() ? L"" : CombineUrl(target, location);
        if (next.empty()) {
          Fail(FinalQueryInfoErrorCode(status, 0));
          break;
        }
        if (hops >= kMaxRedirects) {
          LOG_TAG(WARNING, "OpenDownload") << "Too many redirects for " << url;
          Fail(DownloadErrorCode(kInternetOpenUrlError, ERROR_HTTP_REDIRECT_FAILED));
          break;
        }
        if (IsSchemeDowngrade(base::WideToUtf8(target), base::WideToUtf8(next))) {
          LOG_TAG(WARNING, "OpenDownload") << "Refused redirect from " << target << " to " << next;
          Fail(DownloadErrorCode(kInternetOpenUrlError, ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR));
          break;
        }
        target = next;
        continue;
      }
      if (status != 200) {
        LOG_TAG(ERROR, "FinalizeDownload") << "Unsuccessful download: " << target;
        Fail(FinalQueryInfoErrorCode(status, 0));
        break;
      }
      ok = ReadBody(target, sink);
      break;
    }
  }
  stop_event_ = nullptr;
  keep_going_ = nullptr;
  if (!ok) {
    CloseRequest();
    session_.reset();
  }
  return ok;
}

std::string InterruptibleDownloader::QueryCustomHeader(const std::string& name) {
  return request_.is_valid() ? QueryCustomHeaderText(request_.get(), name) : std::string();
}

bool InterruptibleDownloader::DownloadToString(const std::string& url, HANDLE stop_event,
                                               std::string* output, uint64_t max_bytes) {
  StringSink sink(max_bytes);
  if (!Fetch(base::AsciiToWide(url), &sink, stop_event, KeepGoing())) return false;
  if (output) sink.Take(output);
  return true;
}

bool InterruptibleDownloader::DownloadToString(const std::wstring& url, const KeepGoing& keep_going,
                                               std::string* output, uint64_t max_bytes) {
  StringSink sink(max_bytes);
  if (!Fetch(url, &sink, nullptr, keep_going)) return false;
  if (output) sink.Take(output);
  return true;
}

bool InterruptibleDownloader::DownloadToFile(const std::string& url, const std::wstring& destination,
                                             HANDLE stop_event, uint64_t max_bytes) {
  std::wstring dir = base::DirName(destination);
  if (dir.empty()) dir = base::GetTempDir();
  const std::wstring temp = base::MakeUniqueFileName(dir, L"dl", L".tmp");
  bool ok = false;
  {
    base::ScopedHandle file(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.is_valid()) {
      last_error_ = DownloadErrorCode(kWriteFileError, ::GetLastError());
      return false;
    }
    FileSink sink(file.get(), max_bytes);
    ok = Fetch(base::AsciiToWide(url), &sink, stop_event, KeepGoing());
  }
  if (ok && !::MoveFileExW(temp.c_str(), destination.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
    last_error_ = DownloadErrorCode(kWriteFileError, ::GetLastError());
    ok = false;
  }
  ::DeleteFileW(temp.c_str());
  return ok;
}

}  // namespace installer_util
