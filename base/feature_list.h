// Feature switches with parameters.
//
//   constexpr base::Feature kWin7Update{"win7update", true};
//   if (base::FeatureList::IsEnabled(kWin7Update)) ...
//   base::GetFeatureParam(kWin7Update, "win7-version");
//
// A feature is on or off by its default unless the process-wide list
// overrides it. Overrides come from the text form (below); test builds read
// it from the test hook KELMOR_TEST_FEATURES on first use. Read-only after
// start-up except in tests.
//
// Text form: entries separated by ";". An entry is a feature name, "-" before
// the name turns it off, and ":" after it starts its parameters, separated by
// "," as name=value. Blanks around the parts are ignored:
//   "win7update:win7-version=6.0,verify_signer=true;-other"
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace base {

struct Feature {
  const char* name;
  bool enabled_by_default;
};

struct FeatureOverride {
  bool enabled = true;
  std::map<std::string, std::string, std::less<>> params;
};
using FeatureOverrides = std::map<std::string, FeatureOverride, std::less<>>;

// Parses the text form; nullopt for a malformed text (an empty name or
// parameter name, a parameter without "=", a name given twice). Pure.
std::optional<FeatureOverrides> ParseFeatureOverrides(std::string_view text);

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
