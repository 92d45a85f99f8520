#include "installer/crash/http_text.h"

#include "base/strings.h"

namespace crash {
namespace {

constexpr size_t kMaxUrlPiece = 127;

bool IsAsciiAlnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

void AppendUrlPiece(std::string& url, char separator, std::string_view key,
                    std::string_view value) {
  std::string piece;
  piece.push_back(separator);
  piece.append(key);
  piece.push_back('=');
  piece.append(EscapeQueryValue(value));
  if (piece.size() > kMaxUrlPiece) {
    piece.resize(kMaxUrlPiece);
    // Drop an escape that the cut left incomplete ("%" or "%X").
    const size_t percent = piece.rfind('%');
    if (percent != std::string::npos && percent + 3 > piece.size()) piece.resize(percent);
  }
  url.append(piece);
}

}  // namespace

std::string EncodeMimeField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (const char ch : field) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '\n' || c == '\r' || c == '"' || c == '%') {
      out.push_back('%');
      base::AppendHexByte(out, c);
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

bool IsValidContentType(std::string_view content_type) {
  for (const char ch : content_type) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (!IsAsciiAlnum(c) && c != '.' && c != '/' && c != '+' && c != '-' && c != '_') return false;
  }
  return true;
}

std::string EscapeQueryValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (const char ch : value) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (IsAsciiAlnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      out.push_back(ch);
    } else {
      out.push_back('%');
      base::AppendHexByte(out, c, /*upper_case=*/true);
    }
  }
  return out;
}

std::string BuildSubmitUrl(std::string_view base,
                           const std::map<std::string, std::string>& parameters) {
  static constexpr struct {
    const char* parameter;
    const char* query_key;
  } kQueryKeys[] = {{"prod", "product"}, {"ver", "version"}, {"guid", "guid"}};
  std::string url(base);
  url.append("/submit");
  bool first = true;
  for (const auto& entry : kQueryKeys) {
    const auto it = parameters.find(entry.parameter);
    if (it == parameters.end()) continue;
    AppendUrlPiece(url, first ? '?' : '&', entry.query_key, it->second);
    first = false;
  }
  return url;
}

std::string FormatChunkSize(size_t size) {
  std::string digits;
  do {
    digits.insert(digits.begin(), base::HexDigit(size & 15));
    size >>= 4;
  } while (size != 0);
  return digits;
}

}  // namespace crash
