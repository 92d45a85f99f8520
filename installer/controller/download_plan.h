// Arithmetic of the setup download: the attempt budget, which URL an
// attempt uses, and whether a failed attempt's bytes are kept for resuming.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lite_installer {

// 6 for a lone URL, otherwise 3 per URL.
constexpr size_t DownloadAttemptBudget(size_t url_count) {
  return url_count == 1 ? 6 : 3 * url_count;
}

// Attempts are spread over the URLs in order, the same number each.
constexpr size_t UrlIndexForAttempt(size_t attempt, size_t url_count) {
  return attempt / (DownloadAttemptBudget(url_count) / url_count);
}

// A failed attempt that wrote less than 10 percent of the content starts
// the next attempt from zero; otherwise the next attempt resumes.
constexpr bool ShouldRestartFromZero(uint64_t bytes_written, uint64_t content_length) {
  return bytes_written < content_length * 10 / 100;
}

// Versioned URLs are allowed for 30 days after the installer was built.
constexpr int64_t kVersionedUrlLifetimeMicros = 2592000000000LL;

}  // namespace lite_installer
