// A download client for background work that must end the moment it is
// told to: WinINet in asynchronous mode, every step waited for in short
// polls, so a stop event, a cleared flag or a deadline ends the transfer
// at once, also while the server sends nothing or only a trickle. (A
// synchronous WinINet read cannot be interrupted: it blocks until its whole
// buffer is filled, and closing the handle from another thread does not
// release it under Wine.)
//
// The operations and error texts are those of the Downloader; each
// instance serves one thread at a time.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/scoped_handle.h"

namespace installer_util {

class DownloadSink;

// Asked between polls; false stops the transfer.
using KeepGoing = std::function<bool()>;

// How often a waiting transfer asks KeepGoing.
constexpr DWORD kPollIntervalMs = 20;

class InterruptibleDownloader {
 public:
  InterruptibleDownloader();
  InterruptibleDownloader(const InterruptibleDownloader&) = delete;
  InterruptibleDownloader& operator=(const InterruptibleDownloader&) = delete;
  virtual ~InterruptibleDownloader();

  // The Downloader's whole-file and whole-string operations: `url` is
  // ASCII; a signalled `stop_event` (optional) ends the transfer as a
  // failure. The file is written under a temporary name beside
  // `destination` and moved over it only after a complete transfer.
  // `max_bytes` caps the body (DownloadSink::max_bytes): a longer one fails
  // with "body_too_large-".
  virtual bool DownloadToFile(const std::string& url, const std::wstring& destination,
                              HANDLE stop_event, uint64_t max_bytes);
  virtual bool DownloadToString(const std::string& url, HANDLE stop_event, std::string* output,
                                uint64_t max_bytes);
  // The same with a predicate instead of an event.
  virtual bool DownloadToString(const std::wstring& url, const KeepGoing& keep_going,
                                std::string* output, uint64_t max_bytes);

  // GET `url` into `sink` (emptied first), following up to ten redirects.
  // True for a complete body that came with status 200 and fits the sink's
  // cap. `stop_event` and `keep_going` are optional.
  bool Fetch(const std::wstring& url, DownloadSink* sink, HANDLE stop_event,
             const KeepGoing& keep_going);

  // A header of the last successful response, or "".
  std::string QueryCustomHeader(const std::string& name);

  // The download error code of the last failure ("internet_read-12017"
  // after a stop).
  const std::string& last_error() const { return last_error_; }
  // The last failure was a stop.
  bool stopped() const { return stopped_; }

  // The state of one request that WinINet's notifications reach.
  struct Hop;
  // Drops one reference to a hop (its last deletes it).
  struct HopUnref {
    void operator()(Hop* hop) const;
  };

 private:
  enum class Wait { kDone, kStopped };

  void CloseRequest();
  bool OpenSession();
  // Sends one request; on success `*status` is its status code.
  bool SendRequest(const std::wstring& url, uint32_t* status);
  bool ReadBody(const std::wstring& url, DownloadSink* sink);
  bool RefuseBody(const std::wstring& url, uint32_t code, uint64_t length, uint64_t cap);
  Wait WaitForCompletion();
  bool Fail(std::string error);
  bool Stop();

  std::string last_error_;
  bool stopped_ = false;
  HANDLE stop_event_ = nullptr;
  const KeepGoing* keep_going_ = nullptr;
  base::ScopedInternetHandle session_;
  base::ScopedInternetHandle connection_;
  base::ScopedInternetHandle request_;
  // The downloader's own reference to the request's hop.
  std::unique_ptr<Hop, HopUnref> hop_;
};

}  // namespace installer_util
