#include "base/feature_overrides.h"

#include "base/strings.h"

namespace base {

std::optional<FeatureOverrides> ParseFeatureOverrides(std::string_view text) {
  FeatureOverrides result;
  for (const std::string& raw_entry : SplitString(text, ';')) {
    std::string_view entry = TrimWhitespaceAscii(raw_entry);
    if (entry.empty()) continue;
    FeatureOverride item;
    const size_t colon = entry.find(':');
    std::string_view name = TrimWhitespaceAscii(entry.substr(0, colon));
    if (!name.empty() && name.front() == '-') {
      item.enabled = false;
      name = TrimWhitespaceAscii(name.substr(1));
    }
    if (name.empty()) return std::nullopt;
    if (colon != std::string_view::npos) {
      for (const std::string& raw_param : SplitString(entry.substr(colon + 1), ',')) {
        const std::string_view param = TrimWhitespaceAscii(raw_param);
        if (param.empty()) continue;
        const size_t eq = param.find('=');
        if (eq == std::string_view::npos) return std::nullopt;
        const std::string_view key = TrimWhitespaceAscii(param.substr(0, eq));
        if (key.empty()) return std::nullopt;
        item.params[std::string(key)] = std::string(TrimWhitespaceAscii(param.substr(eq + 1)));
      }
    }
    if (!result.emplace(std::string(name), std::move(item)).second) return std::nullopt;
  }
  return result;
}

}  // namespace base
