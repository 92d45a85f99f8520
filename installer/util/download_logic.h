// Decisions and arithmetic of the download client that do not touch the
// network or the clock: error codes, progress fractions, remaining-time
// estimates and the answer to a resumed (ranged) request. No Windows header,
// so this also builds natively for fuzzing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace installer_util {

// Step prefixes of the download error code ("internet_read-12002").
inline constexpr char kInternetOpenError[] = "internet_open-";
inline constexpr char kInternetOpenUrlError[] = "internet_open_url-";
inline constexpr char kSetFilePointerError[] = "internet_set_file_pointer-";
inline constexpr char kInternetReadError[] = "internet_read-";
inline constexpr char kWriteFileError[] = "write_file-";
inline constexpr char kFinalQueryInfoError[] = "final_query_info-";

std::string DownloadErrorCode(std::string_view prefix, uint32_t error);
// "final_query_info-404-0"
std::string FinalQueryInfoErrorCode(uint32_t status, uint32_t error);

// Bytes written over the content length, never above 1.0; 0 when the length
// is unknown.
float DownloadFraction(uint32_t bytes_written, uint32_t content_length);

// The progress reporting of a download loop, driven by the millisecond tick
// of each chunk (GetTickCount in the client, anything in tests).
class DownloadProgressTracker {
 public:
  static constexpr uint32_t kEstimateIntervalMs = 60000;
  static constexpr uint32_t kSlowDownloadSeconds = 120;

  struct Step {
    bool report_fraction = false;  // the content length is known
    float fraction = 0.0f;
    bool report_estimate = false;  // a remaining-time estimate is due
    int32_t remaining_seconds = 0;
    bool slow = false;  // the estimated total time exceeds 120 s
  };

  explicit DownloadProgressTracker(uint32_t start_tick) : start_tick_(start_tick) {}

  // After a chunk: `bytes_written` counts the whole sink (a resumed part
  // included), while elapsed time counts only this attempt.
  Step OnChunk(uint32_t now_tick, uint32_t bytes_written, uint32_t content_length);

 private:
  uint32_t start_tick_;
  uint32_t last_estimate_ms_ = 0;
};

// Milliseconds still needed at the rate so far (64-bit arithmetic); 0 when
// nothing or everything has arrived.
uint64_t EstimateRemainingMs(uint32_t elapsed_ms, uint32_t content_length, uint32_t bytes_written);

// "bytes 100-199/1000": first, last and total (total 0 when "*").
bool ParseContentRange(std::string_view header, uint64_t* first, uint64_t* last, uint64_t* total);

// How to go on after asking for "Range: bytes=<offset>-".
enum class RangeAnswer {
  kContinue,  // 206 from exactly `offset`: append to what the sink holds
  kRestart,   // 200: the server sent the whole file; empty the sink first
  kRefuse,    // a 206 from elsewhere, or 416: the held bytes cannot be used
  kStatus,    // any other status: the ordinary status check reports it
};
RangeAnswer ClassifyRangeAnswer(uint32_t status, std::string_view content_range, uint32_t offset);

// "Range: bytes=<offset>-"
std::wstring RangeRequestHeaders(uint32_t offset);

// 301, 302, 303, 307 and 308.
bool IsRedirectStatus(uint32_t status);
// A redirect from an https URL to one that is not https.
bool IsSchemeDowngrade(std::string_view from_url, std::string_view to_url);
// Raw response headers (CRLF-separated) that hold a status line and no
// header at all: what WinINet makes of a response without a valid status
// line.
bool IsHeaderlessResponse(std::string_view raw_headers);

}  // namespace installer_util
