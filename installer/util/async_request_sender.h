// Fire-and-forget GET requests (statistics events) sent one by one, in
// order, from a worker thread with its own URL queue.
#pragma once

#include <windows.h>

#include <deque>
#include <string>

#include "base/scoped_handle.h"

namespace installer_util {

// Connect and send time-out of each request.
constexpr DWORD kSendTimeoutMs = 2000;
// Puts both time-outs on a session handle (HINTERNET).
bool ApplySendTimeouts(void* internet);

class AsyncRequestSender {
 public:
  AsyncRequestSender();
  AsyncRequestSender(const AsyncRequestSender&) = delete;
  AsyncRequestSender& operator=(const AsyncRequestSender&) = delete;
  // Finishes the request in flight, drops the queued ones and joins the
  // worker (no time limit).
  virtual ~AsyncRequestSender();

  // Queues `url`; starts the worker on first use (one worker, also when
  // several threads send first at once). False only when the worker thread
  // cannot be created.
  bool Send(const std::wstring& url);

  // Waits until every queued request has been sent (or dropped); false on
  // time-out. For callers that must not lose events before they go on.
  bool WaitForIdle(DWORD timeout_ms);

 protected:
  // One request, on the worker thread: sent, then abandoned without reading
  // the answer; 2-second connect and send time-outs.
  virtual void SendUrl(const std::wstring& url);

  // Stops and joins the worker. A subclass that overrides SendUrl calls this
  // from its own destructor, so the worker never runs a half-destroyed
  // object. Safe to call twice.
  void StopWorker();

 private:
  bool InitializeThreadLocked();
  static unsigned __stdcall ThreadMain(void* self);
  void Run();

  SRWLOCK lock_ = SRWLOCK_INIT;
  base::ScopedHandle thread_;  // under lock_
  base::ScopedHandle wake_event_;
  bool stop_ = false;
  std::deque<std::wstring> queue_;
  // Requests queued or in flight; the idle event is set while it is 0.
  size_t pending_ = 0;
  base::ScopedHandle idle_event_;
};

}  // namespace installer_util
