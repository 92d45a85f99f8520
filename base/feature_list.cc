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
