#include "installer/util/async_request_sender.h"

#include <process.h>
#include <windows.h>
#include <wininet.h>

#include <utility>

#include "base/logging.h"
#include "installer/util/wininet_calls.h"

namespace installer_util {
namespace {

constexpr wchar_t kSenderUserAgent[] = L"Kelmor.Browser installer";

// Abandons each request as soon as it has been sent: the handle is closed,
// so InternetOpenUrlW returns with ERROR_INTERNET_OPERATION_CANCELLED and no
// answer is waited for. Wine keeps waiting for the answer on the closed
// handle, so the request also gets the send time-out as its receive
// time-out before it goes out. The context records the closed handle, so
// the caller never closes it a second time.
struct SendState {
  HINTERNET closed = nullptr;
};

void CALLBACK CloseWhenSent(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID, DWORD) {
  if (!handle) return;
  auto* state = reinterpret_cast<SendState*>(context);
  if (status == INTERNET_STATUS_SENDING_REQUEST) {
    DWORD timeout = kSendTimeoutMs;
    ::InternetSetOptionW(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
    return;
  }
  if (status != INTERNET_STATUS_REQUEST_SENT) return;
  if (state && state->closed == handle) return;
  ::InternetCloseHandle(handle);
  if (state) state->closed = handle;
}

}  // namespace

bool ApplySendTimeouts(void* internet) {
  DWORD timeout = kSendTimeoutMs;
  return ::InternetSetOptionW(internet, INTERNET_OPTION_CONNECT_TIMEOUT, &timeout,
                              sizeof(timeout)) &&
         ::InternetSetOptionW(internet, INTERNET_OPTION_SEND_TIMEOUT, &timeout, sizeof(timeout));
}

AsyncRequestSender::AsyncRequestSender()
    : wake_event_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      idle_event_(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

AsyncRequestSender::~AsyncRequestSender() { StopWorker(); }

void AsyncRequestSender::StopWorker() {
  base::ScopedHandle thread;
  {
    base::ScopedExclusiveLock hold(&lock_);
    if (!thread_.is_valid()) return;
    thread = std::move(thread_);
    stop_ = true;
  }
  ::SetEvent(wake_event_.get());
  ::WaitForSingleObject(thread.get(), INFINITE);
  // The requests still queued are dropped.
  base::ScopedExclusiveLock hold(&lock_);
  queue_.clear();
  pending_ = 0;
  stop_ = false;
  ::SetEvent(idle_event_.get());
}

bool AsyncRequestSender::WaitForIdle(DWORD timeout_ms) {
  return ::WaitForSingleObject(idle_event_.get(), timeout_ms) == WAIT_OBJECT_0;
}

// Under lock_: whichever Send comes first starts the one worker, however
// many threads send at once.
bool AsyncRequestSender::InitializeThreadLocked() {
  if (thread_.is_valid()) return true;
  if (!wake_event_.is_valid()) {
    PLOG(WARNING, ::GetLastError()) << "Failed to create thread for async http requests";
    return false;
  }
  const uintptr_t handle = ::_beginthreadex(nullptr, 0, &AsyncRequestSender::ThreadMain, this, 0,
                                            nullptr);
  if (!handle) {
    PLOG(WARNING, ::GetLastError()) << "Failed to create thread for async http requests";
    return false;
  }
  thread_.reset(reinterpret_cast<HANDLE>(handle));
  return true;
}

bool AsyncRequestSender::Send(const std::wstring& url) {
  {
    base::ScopedExclusiveLock hold(&lock_);
    if (!InitializeThreadLocked()) return false;
    queue_.push_back(url);
    ++pending_;
    ::ResetEvent(idle_event_.get());
  }
  ::SetEvent(wake_event_.get());
  return true;
}

unsigned __stdcall AsyncRequestSender::ThreadMain(void* self) {
  static_cast<AsyncRequestSender*>(self)->Run();
  return 0;
}

void AsyncRequestSender::Run() {
  for (;;) {
    ::WaitForSingleObject(wake_event_.get(), INFINITE);
    ::AcquireSRWLockExclusive(&lock_);
    while (!stop_ && !queue_.empty()) {
      std::wstring url = std::move(queue_.front());
      queue_.pop_front();
      ::ReleaseSRWLockExclusive(&lock_);
      SendUrl(url);
      ::AcquireSRWLockExclusive(&lock_);
      if (pending_ > 0 && --pending_ == 0) ::SetEvent(idle_event_.get());
    }
    const bool stop = stop_;
    ::ReleaseSRWLockExclusive(&lock_);
    if (stop) return;
  }
}

void AsyncRequestSender::SendUrl(const std::wstring& url) {
  const GuardedResult session = GuardedInternetOpen(kSenderUserAgent);
  if (session.raised) {
    PLOG(WARNING, session.failure.code)
        << "An attempt to open url " << url << " generated an exception " << session.failure.code;
    return;
  }
  if (!session.handle) {
    PLOG(WARNING, session.error) << "Failed to open session for " << url;
    return;
  }
  base::ScopedInternetHandle internet(session.handle);
  ::InternetSetStatusCallbackW(internet.get(), &CloseWhenSent);
  if (!ApplySendTimeouts(internet.get()))
    PLOG(WARNING, ::GetLastError()) << "Failed to set internet options for " << url;
  SendState state;
  const GuardedResult r = GuardedInternetOpenUrl(internet.get(), url.c_str(), kAcceptAnyHeader,
                                                 INTERNET_FLAG_RELOAD,
                                                 reinterpret_cast<DWORD_PTR>(&state));
  if (r.raised) {
    PLOG(WARNING, r.failure.code)
        << "An attempt to open url " << url << " generated an exception " << r.failure.code;
  } else if (!r.handle && r.error != ERROR_INTERNET_OPERATION_CANCELLED && !state.closed) {
    // Once the request went out and was abandoned, whatever the call says
    // afterwards (Wine reports the closed handle) is the normal outcome.
    PLOG(WARNING, r.error) << "Failed to open " << url;
  }
  if (r.handle && r.handle != state.closed) ::InternetCloseHandle(r.handle);
  ::InternetSetStatusCallbackW(internet.get(), nullptr);
}

}  // namespace installer_util
