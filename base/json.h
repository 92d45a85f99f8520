// JSON values, a reader with an extended mode (comments, raw control
// characters in strings, \v and \x escapes) and a writer with optional
// pretty printing. Pure code: no Windows header, so it also builds natively
// (tests/fuzz).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace base {

class Value {
 public:
  enum class Type { kNone, kBoolean, kInteger, kDouble, kString, kList, kDictionary };
  using List = std::vector<Value>;
  // Keys in byte order; a repeated key keeps its last value.
  using Dict = std::map<std::string, Value, std::less<>>;

  Value() = default;
  explicit Value(bool b) : data_(b) {}
  explicit Value(int i) : data_(i) {}
  explicit Value(double d) : data_(d) {}
  explicit Value(std::string s) : data_(std::move(s)) {}
  explicit Value(std::string_view s) : data_(std::string(s)) {}
  explicit Value(const char* s) : data_(std::string(s)) {}
  explicit Value(List l) : data_(std::move(l)) {}
  explicit Value(Dict d) : data_(std::move(d)) {}
  static Value NewDict() { return Value(Dict()); }
  static Value NewList() { return Value(List()); }

  Type type() const { return static_cast<Type>(data_.index()); }
  bool is_none() const { return type() == Type::kNone; }
  bool is_bool() const { return type() == Type::kBoolean; }
  bool is_int() const { return type() == Type::kInteger; }
  bool is_double() const { return type() == Type::kDouble; }
  bool is_string() const { return type() == Type::kString; }
  bool is_list() const { return type() == Type::kList; }
  bool is_dict() const { return type() == Type::kDictionary; }

  // Each requires the matching type (GetDouble also takes an integer).
  bool GetBool() const { return std::get<bool>(data_); }
  int GetInt() const { return std::get<int>(data_); }
  double GetDouble() const {
    return is_int() ? static_cast<double>(std::get<int>(data_)) : std::get<double>(data_);
  }
  const std::string& GetString() const { return std::get<std::string>(data_); }
  const List& GetList() const { return std::get<List>(data_); }
  List& GetList() { return std::get<List>(data_); }
  const Dict& GetDict() const { return std::get<Dict>(data_); }
  Dict& GetDict() { return std::get<Dict>(data_); }

  // Dictionary member, or null when this is no dictionary or has no such key.
  const Value* FindKey(std::string_view key) const;
  // Dotted path ("install.setup_url"): each part is a member of a dictionary.
  const Value* FindPath(std::string_view path) const;
  // Typed lookups: null / nullopt for a missing member or another type.
  const std::string* FindStringPath(std::string_view path) const;
  std::optional<bool> FindBoolPath(std::string_view path) const;

  // Dictionary only: sets (replaces) a member and returns it.
  Value& SetKey(std::string key, Value value);
  // List only.
  void Append(Value value) { GetList().push_back(std::move(value)); }

  bool operator==(const Value& other) const = default;

 private:
  std::variant<std::monostate, bool, int, double, std::string, List, Dict> data_;
};

enum JsonParseOptions : int {
  kJsonStrict = 0,
  kJsonAllowComments = 1 << 0,        // "//" to the end of the line and "/* ... */"
  kJsonAllowControlChars = 1 << 1,    // raw characters below 0x20 inside strings
  kJsonAllowVTab = 1 << 2,            // the escape "\v"
  kJsonAllowXEscapes = 1 << 3,        // the escape "\xHH" (code point U+00HH)
  kJsonExtended = kJsonAllowComments | kJsonAllowControlChars | kJsonAllowVTab | kJsonAllowXEscapes,
};

// Nesting deeper than this is refused (keeps hostile input off the stack).
constexpr int kJsonMaxDepth = 200;

// Parses one JSON document. On failure returns nullopt and, when `error` is
// given, a message such as "Line: 3, column: 7, Unexpected token.".
std::optional<Value> ReadJson(std::string_view text, int options = kJsonExtended,
                              std::string* error = nullptr);

enum JsonWriteOptions : int {
  kJsonWriteCompact = 0,
  kJsonWritePretty = 1 << 0,  // three-space indentation, one member a line, "\n" line ends
  // Doubles with an integral value are written without ".0".
  kJsonWriteOmitDoubleTypePreservation = 1 << 1,
};

// Serialises; false for a value that JSON cannot hold (a non-finite double,
// text that is not valid UTF-8, or nesting deeper than kJsonMaxDepth).
bool WriteJson(const Value& value, int options, std::string* out);

}  // namespace base
