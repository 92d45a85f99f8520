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
// A body refused for its size: "body_too_large-1" (the announced length is
// above the caller's cap), "-2" (more bytes arrived than the cap allows, for
// a body without a length), "-3" (a length or byte count that the client's
// 32-bit counts cannot hold).
inline constexpr char kBodyTooLargeError[] = "body_too_large-";
inline constexpr uint32_t kBodyDeclaredAboveCap = 1;
inline constexpr uint32_t kBodyGrewAboveCap = 2;
inline constexpr uint32_t kBodyBeyond32Bits = 3;

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
  kTooLarge,  // a 206 from `offset` whose range or total does not fit in 32 bits
};
RangeAnswer ClassifyRangeAnswer(uint32_t status, std::string_view content_range, uint32_t offset);

// "Range: bytes=<offset>-"
std::wstring RangeRequestHeaders(uint32_t offset);

// ---- bounds

// A body cap in bytes; 0 means none (only the 32-bit limit applies).
// A Content-Length (`declared`, 0 when there is none) that the cap allows.
bool DeclaredLengthFits(uint64_t declared, uint64_t cap);
// `held` bytes stored and `incoming` more: still within the cap.
bool BodyFits(uint64_t held, uint64_t incoming, uint64_t cap);

// The log text of a body refused with `code` (kBodyDeclaredAboveCap,
// kBodyGrewAboveCap, kBodyBeyond32Bits): the URL, the length or count that
// did not fit (`length`) and the cap.
std::string BodyRefusalText(uint32_t code, std::string_view url, uint64_t length, uint64_t cap);

// Content-Length text: decimal digits only (blanks around them allowed).
bool ParseContentLength(std::string_view text, uint64_t* length);
// The whole body's length when a response of `content_length` bytes
// follows `base` bytes already held (the offset a ranged answer continues
// from, else 0); false when the sum does not fit in 32 bits.
bool TotalBodyLength(uint32_t base, uint64_t content_length, uint32_t* total);
// Of `read` bytes just received, the ones that belong to a body of `total`
// bytes (0: unknown) of which `held` are stored: never more than remain,
// 0 when the sink already holds the whole body.
uint32_t BytesWithinBody(uint32_t read, uint32_t held, uint32_t total);
// `held` + `incoming` still fits the 32-bit byte count of a sink.
bool FitsByteCount(uint32_t held, uint32_t incoming);

// Whether a download named by brand data may go to `url`: "https:" always,
// "http:" only when `plain_http_allowed` (the test configuration, whose
// stand speaks plain HTTP), any other scheme never.
bool IsBrandDownloadUrlAllowed(std::string_view url, bool plain_http_allowed);

// 301, 302, 303, 307 and 308.
bool IsRedirectStatus(uint32_t status);
// A redirect from an https URL to one that is not https.
bool IsSchemeDowngrade(std::string_view from_url, std::string_view to_url);
// Raw response headers (CRLF-separated) that hold a status line and no
// header at all: what WinINet makes of a response without a valid status
// line.
bool IsHeaderlessResponse(std::string_view raw_headers);

}  // namespace installer_util
