#include "base/feature_list.h"

#include <mutex>

#include "base/logging.h"
#include "base/strings.h"
#include "base/test_hooks.h"

namespace base {
namespace {

struct State {
  std::mutex lock;
  bool loaded = false;
  FeatureOverrides overrides;
};

State& GetState() {
  static State* state = new State();
  return *state;
}

// Returns the overrides, loading them from the test hook on first use.
// Called with the lock held.
const FeatureOverrides& Loaded(State& state) {
  if (!state.loaded) {
    state.loaded = true;
    if (auto text = GetTestHook("FEATURES")) {
      if (auto parsed = ParseFeatureOverrides(*text))
        state.overrides = std::move(*parsed);
      else
        LOG(WARNING) << "Malformed feature list ignored: " << *text;
    }
  }
  return state.overrides;
}

}  // namespace

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

bool FeatureList::IsEnabled(const Feature& feature) {
  State& state = GetState();
  std::lock_guard<std::mutex> hold(state.lock);
  const FeatureOverrides& overrides = Loaded(state);
  const auto it = overrides.find(std::string_view(feature.name));
  return it == overrides.end() ? feature.enabled_by_default : it->second.enabled;
}

std::optional<std::string> FeatureList::GetParam(const Feature& feature, std::string_view name) {
  State& state = GetState();
  std::lock_guard<std::mutex> hold(state.lock);
  const FeatureOverrides& overrides = Loaded(state);
  const auto it = overrides.find(std::string_view(feature.name));
  if (it == overrides.end() || !it->second.enabled) return std::nullopt;
  const auto param = it->second.params.find(name);
  if (param == it->second.params.end()) return std::nullopt;
  return param->second;
}

void FeatureList::SetOverridesForTesting(FeatureOverrides overrides) {
  State& state = GetState();
  std::lock_guard<std::mutex> hold(state.lock);
  state.loaded = true;
  state.overrides = std::move(overrides);
}

void FeatureList::ResetForTesting() {
  State& state = GetState();
  std::lock_guard<std::mutex> hold(state.lock);
  state.loaded = false;
  state.overrides.clear();
}

std::string GetFeatureParam(const Feature& feature, std::string_view name,
                            std::string_view default_value) {
  auto value = FeatureList::GetParam(feature, name);
  return value ? *value : std::string(default_value);
}

bool GetFeatureParamBool(const Feature& feature, std::string_view name, bool default_value) {
  const auto value = FeatureList::GetParam(feature, name);
  if (!value) return default_value;
  if (EqualsCaseInsensitiveAscii(*value, "true") || *value == "1") return true;
  if (EqualsCaseInsensitiveAscii(*value, "false") || *value == "0") return false;
  return default_value;
}

}  // namespace base
