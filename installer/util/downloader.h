// The HTTP download client over WinINet: a synchronous downloader that
// fetches one URL into a sink in 32 KiB chunks (resume, redirect capture,
// progress, stop event, final status check), its whole-file and
// whole-string drivers, and the file the setup archive is written to.
//
// WinINet is loaded on first use (a delay-import library); a failure to load
// it, or a structured exception from inside it, ends the open as a failure
// with the exception recorded in DownloadFailureInfo.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/scoped_handle.h"

namespace installer_util {

// Where downloaded bytes go. `bytes_written` counts the bytes stored since
// the last Reset; a sink that already holds bytes makes a download resume.
class DownloadSink {
 public:
  // False when not all bytes could be stored.
  virtual bool Write(const void* data, uint32_t size) = 0;
  // Discards everything stored and sets bytes_written to 0.
  virtual void Reset() = 0;
  virtual ~DownloadSink() = default;

  uint32_t bytes_written = 0;
  // The most bytes one body may bring into this sink (0: only the 32-bit
  // count bounds it). The download clients refuse a body announced above
  // it before reading, and stop one without a length when it grows past
  // it ("body_too_large-").
  uint64_t max_bytes = 0;
};

// Writes to a borrowed file handle (not closed by the sink).
class FileSink : public DownloadSink {
 public:
  explicit FileSink(HANDLE file, uint64_t cap = 0) : file_(file) { max_bytes = cap; }
  bool Write(const void* data, uint32_t size) override;
  // Truncates the file to empty.
  void Reset() override;

 private:
  HANDLE file_;
};

// Collects the bytes in memory, at most `cap` of them: every body held in
// memory has a cap of its own.
class StringSink : public DownloadSink {
 public:
  explicit StringSink(uint64_t cap) { max_bytes = cap; }
  bool Write(const void* data, uint32_t size) override;
  void Reset() override;
  // Swaps the collected bytes into `out` and leaves the sink empty.
  void Take(std::string* out);
  const std::string& data() const { return data_; }

 private:
  std::string data_;
};

// Progress of DownloadWithProgress.
class DownloadProgressObserver {
 public:
  virtual ~DownloadProgressObserver() = default;
  // Bytes written over the content length; exactly 1.0 at a successful end.
  virtual void OnProgress(float fraction) = 0;
  // The estimated total time exceeds 120 seconds.
  virtual void OnSlowDownload() = 0;
  // Phase 0 started (seconds -1), 1 estimate during the transfer, 2 finished
  // (seconds 0).
  virtual void OnTimeEstimate(int32_t seconds, int32_t phase) = 0;
};

constexpr int32_t kTimeEstimateStarted = 0;
constexpr int32_t kTimeEstimateRunning = 1;
constexpr int32_t kTimeEstimateFinished = 2;

// Filled when opening the URL raised a structured exception. The names are
// set only for a delay-load failure (0xC06D007E / 0xC06D007F).
struct DownloadFailureInfo {
  uint32_t exception_code = 0;
  std::string dll_name;
  std::string proc_name;
};

constexpr uint32_t kDownloadChunkSize = 32768;
// Redirects followed while one URL is opened.
constexpr int kMaxRedirects = 10;
// A request that receives nothing for this long fails.
constexpr DWORD kReceiveTimeoutMs = 30000;


class Downloader {
 public:
  Downloader();
  Downloader(const Downloader&) = delete;
  Downloader& operator=(const Downloader&) = delete;
  virtual ~Downloader();

  // `url` is ASCII, widened character by character. The body goes to a
  // temporary file that is moved over `destination` only after a complete,
  // successful transfer; a stop is a failure. `max_bytes` caps the body
  // (DownloadSink::max_bytes).
  virtual bool DownloadToFile(const std::string& url, const std::wstring& destination,
                              HANDLE stop_event, uint64_t max_bytes);
  // On success the body is swapped into `output`.
  virtual bool DownloadToString(const std::string& url, HANDLE stop_event, std::string* output,
                                uint64_t max_bytes);
  // Opens `url` for reading into `sink`; resumes after the sink's bytes.
  virtual bool OpenDownload(const std::wstring& url, DownloadSink* sink);
  // Bytes read into the sink; 0 at the end of the data or on a failure.
  virtual uint32_t ReadDownloadChunk();
  // True when nothing failed and the final status is 200 (206 for a resumed
  // request). On failure `status` (optional) receives the status code.
  virtual bool FinalizeDownload(uint32_t* status = nullptr);

  // A response header of the open request, or "".
  std::string QueryCustomHeader(const std::string& name);

  const std::wstring& current_url() const { return current_url_; }
  const std::string& last_error() const { return last_error_; }
  const DownloadFailureInfo& failure_info() const { return failure_info_; }
  const std::wstring& redirect_url() const { return redirect_url_; }
  uint32_t content_length() const { return content_length_; }
  DownloadSink* sink() const { return sink_; }

 private:
  bool OpenUrl(const std::wstring& url, const wchar_t* headers, DWORD flags,
               base::ScopedInternetHandle* out);
  bool ResumeAt(const std::wstring& url, uint32_t offset);
  bool AcceptBodyLength();
  void RefuseBody(uint32_t code, uint64_t length);
  bool QueryStatus(uint32_t* status);
  bool IsExpectedStatus(uint32_t status) const;
  bool RunLoop(const std::wstring& url, DownloadSink* sink, HANDLE stop_event);

  std::wstring current_url_;
  std::string last_error_;
  DownloadFailureInfo failure_info_;
  std::wstring redirect_url_;
  uint32_t content_length_ = 0;
  DownloadSink* sink_ = nullptr;
  base::ScopedInternetHandle internet_;
  base::ScopedInternetHandle request_;
  std::unique_ptr<uint8_t[]> buffer_;
  // Resume state: the status the body must come with (200, or 206 after an
  // explicit range request; 0 accepts both after InternetSetFilePointer), and
  // the offset that a ranged response's Content-Length is added to.
  uint32_t expected_status_ = 200;
  uint32_t length_base_ = 0;
};

// The setup download: a fresh Downloader, progress, the stop event (polled
// before every chunk; a stop is a failure) and every outcome. All outputs,
// the event and the observer are optional.
bool DownloadWithProgress(const std::wstring& url, DownloadSink* sink, std::string* error,
                          std::wstring* redirect, uint32_t* content_length, HANDLE stop_event,
                          DownloadProgressObserver* observer, DownloadFailureInfo* failure);

// Logs "Attempt to download module: " + url, empties the sink and runs
// DownloadWithProgress with `stop_event` (the installer's), without observer.
bool Download(const std::wstring& url, DownloadSink* sink, std::string* error,
              std::wstring* redirect, HANDLE stop_event = nullptr);

// The file that the setup archive is written to, later reopened so that
// nobody can write it while setup runs.
class DownloadTargetFile {
 public:
  DownloadTargetFile() = default;
  DownloadTargetFile(const DownloadTargetFile&) = delete;
  DownloadTargetFile& operator=(const DownloadTargetFile&) = delete;

  // Write access, read sharing, always created.
  bool Open(const std::wstring& path);
  bool IsValid() const { return file_.is_valid(); }
  HANDLE Handle() const { return file_.get(); }
  // Reopens for reading and execution without write sharing.
  bool LockForExecution();

 private:
  base::ScopedHandle file_;
};

}  // namespace installer_util
