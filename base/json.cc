#include "base/json.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "base/strings.h"

namespace base {

const Value* Value::FindKey(std::string_view key) const {
  if (!is_dict()) return nullptr;
  const Dict& dict = GetDict();
  const auto it = dict.find(key);
  return it == dict.end() ? nullptr : &it->second;
}

const Value* Value::FindPath(std::string_view path) const {
  const Value* current = this;
  while (current) {
    const size_t dot = path.find('.');
    if (dot == std::string_view::npos) return current->FindKey(path);
    current = current->FindKey(path.substr(0, dot));
    path.remove_prefix(dot + 1);
  }
  return nullptr;
}

const std::string* Value::FindStringPath(std::string_view path) const {
  const Value* v = FindPath(path);
  return v && v->is_string() ? &v->GetString() : nullptr;
}

std::optional<bool> Value::FindBoolPath(std::string_view path) const {
  const Value* v = FindPath(path);
  if (!v || !v->is_bool()) return std::nullopt;
  return v->GetBool();
}

Value& Value::SetKey(std::string key, Value value) {
  Value& slot = GetDict()[std::move(key)];
  slot = std::move(value);
  return slot;
}

namespace {

// Length of the well-formed UTF-8 sequence at `s[i]` (non-ASCII lead), or 0.
size_t Utf8SequenceLength(std::string_view s, size_t i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  size_t len;
  uint32_t c;
  uint32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2, c = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, c = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4, c = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (s.size() - i < len) return 0;
  for (size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return len;
}

class Parser {
 public:
  Parser(std::string_view text, int options) : text_(text), options_(options) {}

  std::optional<Value> Parse(std::string* error) {
    // A byte-order mark is not part of the document.
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    std::optional<Value> root;
    if (SkipSpace()) {
      if (pos_ >= text_.size()) {
        Fail("Unexpected end of input.");
      } else {
        root = ParseValue(0);
        if (root && SkipSpace() && pos_ < text_.size()) {
          Fail("Unexpected data after root element.");
          root.reset();
        }
      }
    }
    if (!root && error) *error = error_;
    return root;
  }

 private:
  bool allowed(int option) const { return (options_ & option) != 0; }

  void Fail(const char* message) { FailAt(pos_, message); }
  void FailAt(size_t at, const char* message) {
    if (!error_.empty()) return;
    size_t line = 1;
    size_t column = 1;
    for (size_t i = 0; i < at && i < text_.size(); ++i) {
      if (text_[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    error_ = "Line: " + std::to_string(line) + ", column: " + std::to_string(column) + ", " +
             message;
  }

  // Skips whitespace and (when allowed) comments; false on a broken comment.
  bool SkipSpace() {
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        ++pos_;
      } else if (c == '/' && allowed(kJsonAllowComments)) {
        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
          const size_t end = text_.find('\n', pos_ + 2);
          pos_ = end == std::string_view::npos ? text_.size() : end + 1;
        } else if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '*') {
          const size_t end = text_.find("*/", pos_ + 2);
          if (end == std::string_view::npos) {
            Fail("Unterminated comment.");
            return false;
          }
          pos_ = end + 2;
        } else {
          Fail("Invalid comment.");
          return false;
        }
      } else {
        break;
      }
    }
    return true;
  }

  std::optional<Value> ParseValue(int depth) {
    if (depth >= kJsonMaxDepth) {
      Fail("Too much nesting.");
      return std::nullopt;
    }
    if (pos_ >= text_.size()) {
      Fail("Unexpected end of input.");
      return std::nullopt;
    }
    const char c = text_[pos_];
    switch (c) {
      case '{':
        return ParseDict(depth);
      case '[':
        return ParseList(depth);
      case '"': {
        std::string s;
        if (!ParseString(&s)) return std::nullopt;
        return Value(std::move(s));
      }
      case 't':
        return ParseLiteral("true", Value(true));
      case 'f':
        return ParseLiteral("false", Value(false));
      case 'n':
        return ParseLiteral("null", Value());
      default:
        if (c == '-' || (c >= '0' && c <= '9')) return ParseNumber();
        Fail("Unexpected token.");
        return std::nullopt;
    }
  }

  std::optional<Value> ParseLiteral(std::string_view word, Value value) {
    if (text_.substr(pos_, word.size()) != word) {
      Fail("Unexpected token.");
      return std::nullopt;
    }
    pos_ += word.size();
    return value;
  }

  std::optional<Value> ParseDict(int depth) {
    ++pos_;  // '{'
    Value::Dict dict;
    if (!SkipSpace()) return std::nullopt;
    if (pos_ < text_.size() && text_[pos_] == '}') {
      ++pos_;
      return Value(std::move(dict));
    }
    while (true) {
      if (pos_ >= text_.size()) {
        Fail("Unexpected end of input.");
        return std::nullopt;
      }
      if (text_[pos_] != '"') {
        Fail("Expected a member name.");
        return std::nullopt;
      }
      std::string key;
      if (!ParseString(&key) || !SkipSpace()) return std::nullopt;
      if (pos_ >= text_.size() || text_[pos_] != ':') {
        Fail("Expected ':' after a member name.");
        return std::nullopt;
      }
      ++pos_;
      if (!SkipSpace()) return std::nullopt;
      std::optional<Value> member = ParseValue(depth + 1);
      if (!member) return std::nullopt;
      dict.insert_or_assign(std::move(key), std::move(*member));
      if (!SkipSpace()) return std::nullopt;
      if (pos_ >= text_.size()) {
        Fail("Unexpected end of input.");
        return std::nullopt;
      }
      if (text_[pos_] == '}') {
        ++pos_;
        return Value(std::move(dict));
      }
      if (text_[pos_] != ',') {
        Fail("Expected ',' or '}'.");
        return std::nullopt;
      }
      ++pos_;
      if (!SkipSpace()) return std::nullopt;
    }
  }

  std::optional<Value> ParseList(int depth) {
    ++pos_;  // '['
    Value::List list;
    if (!SkipSpace()) return std::nullopt;
    if (pos_ < text_.size() && text_[pos_] == ']') {
      ++pos_;
      return Value(std::move(list));
    }
    while (true) {
      std::optional<Value> element = ParseValue(depth + 1);
      if (!element) return std::nullopt;
      list.push_back(std::move(*element));
      if (!SkipSpace()) return std::nullopt;
      if (pos_ >= text_.size()) {
        Fail("Unexpected end of input.");
        return std::nullopt;
      }
      if (text_[pos_] == ']') {
        ++pos_;
        return Value(std::move(list));
      }
      if (text_[pos_] != ',') {
        Fail("Expected ',' or ']'.");
        return std::nullopt;
      }
      ++pos_;
      if (!SkipSpace()) return std::nullopt;
    }
  }

  bool ReadHex(size_t at, int digits, uint32_t* out) {
    if (text_.size() - at < static_cast<size_t>(digits)) return false;
    uint32_t v = 0;
    for (int k = 0; k < digits; ++k) {
      const int d = HexDigitValue(text_[at + k]);
      if (d < 0) return false;
      v = v * 16 + static_cast<uint32_t>(d);
    }
    *out = v;
    return true;
  }

  bool ParseString(std::string* out) {
    const size_t start = pos_;
    ++pos_;  // opening quote
    while (true) {
      if (pos_ >= text_.size()) {
        FailAt(start, "Unterminated string.");
        return false;
      }
      const auto c = static_cast<unsigned char>(text_[pos_]);
      if (c == '"') {
        ++pos_;
        return true;
      }
      if (c == '\\') {
        if (!ParseEscape(out)) return false;
        continue;
      }
      if (c < 0x20 && !allowed(kJsonAllowControlChars)) {
        Fail("Control character in a string.");
        return false;
      }
      if (c < 0x80) {
        out->push_back(static_cast<char>(c));
        ++pos_;
        continue;
      }
      const size_t len = Utf8SequenceLength(text_, pos_);
      if (len == 0) {
        Fail("Invalid UTF-8 in a string.");
        return false;
      }
      out->append(text_.substr(pos_, len));
      pos_ += len;
    }
  }

  bool ParseEscape(std::string* out) {
    const size_t at = pos_;
    if (pos_ + 1 >= text_.size()) {
      FailAt(at, "Invalid escape sequence.");
      return false;
    }
    const char e = text_[pos_ + 1];
    pos_ += 2;
    switch (e) {
      case '"': out->push_back('"'); return true;
      case '\\': out->push_back('\\'); return true;
      case '/': out->push_back('/'); return true;
      case 'b': out->push_back('\b'); return true;
      case 'f': out->push_back('\f'); return true;
      case 'n': out->push_back('\n'); return true;
      case 'r': out->push_back('\r'); return true;
      case 't': out->push_back('\t'); return true;
      case 'v':
        if (!allowed(kJsonAllowVTab)) break;
        out->push_back('\v');
        return true;
      case 'x': {
        uint32_t v;
        if (!allowed(kJsonAllowXEscapes) || !ReadHex(pos_, 2, &v)) break;
        pos_ += 2;
        AppendUtf8(*out, v);
        return true;
      }
      case 'u': {
        uint32_t v;
        if (!ReadHex(pos_, 4, &v)) break;
        pos_ += 4;
        if (v >= 0xDC00 && v <= 0xDFFF) break;  // a lone low surrogate
        if (v >= 0xD800 && v <= 0xDBFF) {
          uint32_t low;
          if (text_.substr(pos_, 2) != "\\u" || !ReadHex(pos_ + 2, 4, &low) || low < 0xDC00 ||
              low > 0xDFFF)
            break;
          pos_ += 6;
          v = 0x10000 + ((v - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(*out, v);
        return true;
      }
      default:
        break;
    }
    FailAt(at, "Invalid escape sequence.");
    return false;
  }

  std::optional<Value> ParseNumber() {
    const size_t start = pos_;
    bool integral = true;
    if (text_[pos_] == '-') ++pos_;
    auto digits = [&] {
      const size_t from = pos_;
      while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
      return pos_ - from;
    };
    if (pos_ < text_.size() && text_[pos_] == '0') {
      ++pos_;
    } else if (digits() == 0) {
      FailAt(start, "Invalid number.");
      return std::nullopt;
    }
    if (pos_ < text_.size() && text_[pos_] == '.') {
      integral = false;
      ++pos_;
      if (digits() == 0) {
        FailAt(start, "Invalid number.");
        return std::nullopt;
      }
    }
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      integral = false;
      ++pos_;
      if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
      if (digits() == 0) {
        FailAt(start, "Invalid number.");
        return std::nullopt;
      }
    }
    const char* first = text_.data() + start;
    const char* last = text_.data() + pos_;
    if (integral) {
      int i = 0;
      const auto r = std::from_chars(first, last, i);
      if (r.ec == std::errc() && r.ptr == last) return Value(i);
    }
    // The scanner has checked the grammar; strtod reads the digits (the
    // C locale's decimal point is the JSON one). std::from_chars for double
    // would do the same at the cost of a quarter of the installer's code.
    const std::string digits_text(first, last);
    char* end = nullptr;
    errno = 0;
    const double d = std::strtod(digits_text.c_str(), &end);
    if (errno == ERANGE || end != digits_text.c_str() + digits_text.size() || !std::isfinite(d)) {
      FailAt(start, "Number out of range.");
      return std::nullopt;
    }
    return Value(d);
  }

  std::string_view text_;
  int options_;
  size_t pos_ = 0;
  std::string error_;
};

class Writer {
 public:
  Writer(int options, std::string* out) : options_(options), out_(out) {}

  bool Write(const Value& v, int depth) {
    if (depth >= kJsonMaxDepth) return false;
    switch (v.type()) {
      case Value::Type::kNone:
        out_->append("null");
        return true;
      case Value::Type::kBoolean:
        out_->append(v.GetBool() ? "true" : "false");
        return true;
      case Value::Type::kInteger:
        out_->append(std::to_string(v.GetInt()));
        return true;
      case Value::Type::kDouble:
        return WriteDouble(v.GetDouble());
      case Value::Type::kString:
        return WriteString(v.GetString());
      case Value::Type::kList: {
        const Value::List& list = v.GetList();
        out_->push_back('[');
        bool first = true;
        for (const Value& element : list) {
          if (!first) out_->push_back(',');
          first = false;
          NewLine(depth + 1);
          if (!Write(element, depth + 1)) return false;
        }
        if (!list.empty()) NewLine(depth);
        out_->push_back(']');
        return true;
      }
      case Value::Type::kDictionary: {
        const Value::Dict& dict = v.GetDict();
        out_->push_back('{');
        bool first = true;
        for (const auto& [key, member] : dict) {
          if (!first) out_->push_back(',');
          first = false;
          NewLine(depth + 1);
          if (!WriteString(key)) return false;
          out_->append(pretty() ? ": " : ":");
          if (!Write(member, depth + 1)) return false;
        }
        if (!dict.empty()) NewLine(depth);
        out_->push_back('}');
        return true;
      }
    }
    return false;
  }

 private:
  bool pretty() const { return (options_ & kJsonWritePretty) != 0; }

  void NewLine(int depth) {
    if (!pretty()) return;
    out_->push_back('\n');
    out_->append(static_cast<size_t>(depth) * 3, ' ');
  }

  bool WriteDouble(double d) {
    if (!std::isfinite(d)) return false;
    char buffer[64];
    const bool omit = (options_ & kJsonWriteOmitDoubleTypePreservation) != 0;
    if (omit && d == std::trunc(d) && std::fabs(d) < 9.007199254740992e15) {
      const auto r = std::to_chars(buffer, buffer + sizeof(buffer), static_cast<int64_t>(d));
      out_->append(buffer, r.ptr);
      return true;
    }
    // The shortest of 15, 16 or 17 significant digits that reads back as
    // the same value.
    int n = 0;
    for (int precision = 15; precision <= 17; ++precision) {
      n = std::snprintf(buffer, sizeof(buffer), "%.*g", precision, d);
      if (n <= 0 || static_cast<size_t>(n) >= sizeof(buffer)) return false;
      if (std::strtod(buffer, nullptr) == d) break;
    }
    std::string_view text(buffer, static_cast<size_t>(n));
    out_->append(text);
    // Keep a double recognisable as one when read back.
    if (text.find_first_of(".eEn") == std::string_view::npos) out_->append(".0");
    return true;
  }

  bool WriteString(std::string_view s) {
    out_->push_back('"');
    for (size_t i = 0; i < s.size();) {
      const auto c = static_cast<unsigned char>(s[i]);
      if (c >= 0x80) {
        const size_t len = Utf8SequenceLength(s, i);
        if (len == 0) return false;
        out_->append(s.substr(i, len));
        i += len;
        continue;
      }
      switch (c) {
        case '"': out_->append("\\\""); break;
        case '\\': out_->append("\\\\"); break;
        case '\b': out_->append("\\b"); break;
        case '\f': out_->append("\\f"); break;
        case '\n': out_->append("\\n"); break;
        case '\r': out_->append("\\r"); break;
        case '\t': out_->append("\\t"); break;
        default:
          if (c < 0x20 || c == 0x7F) {
            out_->append("\\u00");
            AppendHexByte(*out_, c, /*upper_case=*/true);
          } else {
            out_->push_back(static_cast<char>(c));
          }
      }
      ++i;
    }
    out_->push_back('"');
    return true;
  }

  int options_;
  std::string* out_;
};

}  // namespace

std::optional<Value> ReadJson(std::string_view text, int options, std::string* error) {
  return Parser(text, options).Parse(error);
}

bool WriteJson(const Value& value, int options, std::string* out) {
  std::string text;
  if (!Writer(options, &text).Write(value, 0)) return false;
  if (options & kJsonWritePretty) text.push_back('\n');
  *out = std::move(text);
  return true;
}

}  // namespace base
