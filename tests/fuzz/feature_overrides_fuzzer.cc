// The feature override parser on any bytes: every name, parameter name and
// value it gives is trimmed and free of the separators that end it, and the
// overrides written back in the text form parse to the same overrides.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/feature_overrides.h"

namespace {

bool Trimmed(std::string_view s) {
  constexpr std::string_view kBlanks = " \t\r\n\v\f";
  return s.empty() ||
         (kBlanks.find(s.front()) == kBlanks.npos && kBlanks.find(s.back()) == kBlanks.npos);
}

// The text form of parsed overrides, one entry per feature.
std::string Write(const base::FeatureOverrides& overrides) {
  std::string text;
  for (const auto& [name, item] : overrides) {
    if (!text.empty()) text += ';';
    if (!item.enabled) text += '-';
    text += name;
    char separator = ':';
    for (const auto& [key, value] : item.params) {
      text += separator;
      text += key + "=" + value;
      separator = ',';
    }
  }
  return text;
}

bool Same(const base::FeatureOverrides& a, const base::FeatureOverrides& b) {
  if (a.size() != b.size()) return false;
  for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
    if (i->first != j->first || i->second.enabled != j->second.enabled ||
        i->second.params != j->second.params)
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto overrides = base::ParseFeatureOverrides(text);
  if (!overrides) return 0;
  for (const auto& [name, item] : *overrides) {
    if (name.empty() || !Trimmed(name) || name.find_first_of(";:") != std::string::npos)
      std::abort();
    if (item.enabled && name.front() == '-') std::abort();
    for (const auto& [key, value] : item.params) {
      if (key.empty() || !Trimmed(key) || key.find_first_of(";,=") != std::string::npos)
        std::abort();
      if (!Trimmed(value) || value.find_first_of(";,") != std::string::npos) std::abort();
    }
  }
  const auto again = base::ParseFeatureOverrides(Write(*overrides));
  if (!again || !Same(*again, *overrides)) std::abort();
  return 0;
}
