// Text pieces of the crash-report request: multipart field escaping, the
// content-type rule, query escaping, the submit URL and chunk sizes. No
// Windows header, so the fuzz targets build them natively.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace crash {

// Line feed, carriage return, double quote and '%' become "%0a", "%0d",
// "%22" and "%25"; every other byte stays.
std::string EncodeMimeField(std::string_view field);

// Letters, digits, '.', '/', '+', '-' and '_' only; the empty text is
// allowed (it stands for "application/octet-stream").
bool IsValidContentType(std::string_view content_type);

// Keeps ASCII letters, digits, '-', '_', '.', '~'; every other byte is
// written as '%' and two upper-case hex digits.
std::string EscapeQueryValue(std::string_view value);

// `base` (scheme and host) + "/submit", then "?product=", "&version=" and
// "&guid=" for the parameters `prod`, `ver` and `guid` that exist. Each
// appended piece is at most 127 characters; a cut never splits an escape.
std::string BuildSubmitUrl(std::string_view base,
                           const std::map<std::string, std::string>& parameters);

// "1f" for 31: lower-case hex, no leading zeros, at least one digit.
std::string FormatChunkSize(size_t size);

}  // namespace crash
