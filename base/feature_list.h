// Feature switches with parameters.
//
//   constexpr base::Feature kWin7Update{"win7update", true};
//   if (base::FeatureList::IsEnabled(kWin7Update)) ...
//   base::GetFeatureParam(kWin7Update, "win7-version");
//
// A feature is on or off by its default unless the process-wide list
// overrides it. Overrides come from the text form (base/feature_overrides.h);
// test builds read it from the test hook KELMOR_TEST_FEATURES on first use.
// Read-only after start-up except in tests.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/feature_overrides.h"

namespace base {

struct Feature {
  const char* name;
  bool enabled_by_default;
};

class FeatureList {
 public:
  static bool IsEnabled(const Feature& feature);
  // The parameter's value; nullopt when the list gives none (a feature
  // that is off has no parameters).
  static std::optional<std::string> GetParam(const Feature& feature, std::string_view name);

  // Replaces the overrides of the process. Tests only.
  static void SetOverridesForTesting(FeatureOverrides overrides);
  // Forgets the overrides and reads the test hook again on next use.
  static void ResetForTesting();
};

// Typed parameter reads with a default for an absent or malformed value.
std::string GetFeatureParam(const Feature& feature, std::string_view name,
                            std::string_view default_value = {});
// "true"/"1" and "false"/"0" (ASCII case ignored).
bool GetFeatureParamBool(const Feature& feature, std::string_view name, bool default_value);

}  // namespace base
