#include "installer/util/download_logic.h"

#include <charconv>

namespace installer_util {

std::string DownloadErrorCode(std::string_view prefix, uint32_t error) {
  std::string out(prefix);
  out += std::to_string(error);
  return out;
}

std::string FinalQueryInfoErrorCode(uint32_t status, uint32_t error) {
  std::string out = kFinalQueryInfoError;
  out += std::to_string(status);
  out += '-';
  out += std::to_string(error);
  return out;
}

float DownloadFraction(uint32_t bytes_written, uint32_t content_length) {
  if (content_length == 0) return 0.0f;
  if (bytes_written >= content_length) return 1.0f;
  return static_cast<float>(bytes_written) / static_cast<float>(content_length);
}

uint64_t EstimateRemainingMs(uint32_t elapsed_ms, uint32_t content_length, uint32_t bytes_written) {
  if (bytes_written == 0 || bytes_written >= content_length) return 0;
  return static_cast<uint64_t>(elapsed_ms) * (content_length - bytes_written) / bytes_written;
}

DownloadProgressTracker::Step DownloadProgressTracker::OnChunk(uint32_t now_tick,
                                                               uint32_t bytes_written,
                                                               uint32_t content_length) {
  Step step;
  if (content_length == 0) return step;
  step.report_fraction = true;
  step.fraction = DownloadFraction(bytes_written, content_length);
  if (bytes_written == 0) return step;
  const uint32_t elapsed = now_tick - start_tick_;  // wraps like the tick itself
  if (elapsed - last_estimate_ms_ < kEstimateIntervalMs) return step;
  const uint64_t remaining_s = EstimateRemainingMs(elapsed, content_length, bytes_written) / 1000;
  last_estimate_ms_ = elapsed;
  step.report_estimate = true;
  step.remaining_seconds = remaining_s > INT32_MAX ? INT32_MAX : static_cast<int32_t>(remaining_s);
  step.slow = remaining_s + elapsed / 1000 > kSlowDownloadSeconds;
  return step;
}

namespace {

bool ParseNumber(std::string_view s, uint64_t* out) {
  if (s.empty()) return false;
  const auto result = std::from_chars(s.data(), s.data() + s.size(), *out);
  return result.ec == std::errc() && result.ptr == s.data() + s.size();
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

bool ParseContentRange(std::string_view header, uint64_t* first, uint64_t* last, uint64_t* total) {
  header = Trim(header);
  constexpr std::string_view kUnit = "bytes";
  if (header.size() <= kUnit.size() || header.substr(0, kUnit.size()) != kUnit) return false;
  header.remove_prefix(kUnit.size());
  if (header.front() != ' ' && header.front() != '=') return false;
  header = Trim(header.substr(1));
  const size_t dash = header.find('-');
  const size_t slash = header.find('/');
  if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash) return false;
  uint64_t a = 0, b = 0, t = 0;
  if (!ParseNumber(Trim(header.substr(0, dash)), &a) ||
      !ParseNumber(Trim(header.substr(dash + 1, slash - dash - 1)), &b) || b < a)
    return false;
  const std::string_view total_text = Trim(header.substr(slash + 1));
  if (total_text == "*") {
    t = 0;
  } else if (!ParseNumber(total_text, &t) || t <= b) {
    return false;
  }
  *first = a;
  *last = b;
  *total = t;
  return true;
}

RangeAnswer ClassifyRangeAnswer(uint32_t status, std::string_view content_range, uint32_t offset) {
  if (status == 200) return RangeAnswer::kRestart;
  if (status == 416) return RangeAnswer::kRefuse;
  if (status != 206) return RangeAnswer::kStatus;
  uint64_t first = 0, last = 0, total = 0;
  if (!ParseContentRange(content_range, &first, &last, &total) || first != offset)
    return RangeAnswer::kRefuse;
  // The sink counts in 32 bits: the range's end, and the total when it is
  // given, must fit.
  if (last >= UINT32_MAX || total > UINT32_MAX) return RangeAnswer::kTooLarge;
  return RangeAnswer::kContinue;
}

bool DeclaredLengthFits(uint64_t declared, uint64_t cap) { return cap == 0 || declared <= cap; }

bool BodyFits(uint64_t held, uint64_t incoming, uint64_t cap) {
  if (cap == 0) return true;
  return held <= cap && incoming <= cap - held;
}

std::string BodyRefusalText(uint32_t code, std::string_view url, uint64_t length, uint64_t cap) {
  std::string out = "Refused ";
  out += url;
  switch (code) {
    case kBodyDeclaredAboveCap:
      out += ": Content-Length " + std::to_string(length) + " is above the cap of ";
      break;
    case kBodyGrewAboveCap:
      out += ": the body grew past " + std::to_string(length) + " bytes, above the cap of ";
      break;
    default:
      return out + ": " + std::to_string(length) + " bytes do not fit the 32-bit byte counts";
  }
  return out + std::to_string(cap) + " bytes";
}

bool ParseContentLength(std::string_view text, uint64_t* length) {
  return ParseNumber(Trim(text), length);
}

bool TotalBodyLength(uint32_t base, uint64_t content_length, uint32_t* total) {
  if (content_length > UINT32_MAX - base) return false;
  *total = static_cast<uint32_t>(base + content_length);
  return true;
}

uint32_t BytesWithinBody(uint32_t read, uint32_t held, uint32_t total) {
  if (total == 0) return read;
  if (held >= total) return 0;
  return read < total - held ? read : total - held;
}

bool FitsByteCount(uint32_t held, uint32_t incoming) { return incoming <= UINT32_MAX - held; }

std::wstring RangeRequestHeaders(uint32_t offset) {
  std::wstring out = L"Range: bytes=";
  const std::string n = std::to_string(offset);
  out.append(n.begin(), n.end());
  out += L'-';
  return out;
}

bool IsRedirectStatus(uint32_t status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

namespace {

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = s[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

bool IsSchemeDowngrade(std::string_view from_url, std::string_view to_url) {
  return StartsWithNoCase(from_url, "https:") && !StartsWithNoCase(to_url, "https:");
}

bool IsBrandDownloadUrlAllowed(std::string_view url, bool plain_http_allowed) {
  if (StartsWithNoCase(url, "https:")) return true;
  return plain_http_allowed && StartsWithNoCase(url, "http:");
}

bool IsHeaderlessResponse(std::string_view raw_headers) {
  const size_t first = raw_headers.find("\r\n");
  if (first == std::string_view::npos) return true;
  const std::string_view rest = raw_headers.substr(first + 2);
  return Trim(rest).empty();
}

}  // namespace installer_util
