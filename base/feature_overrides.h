// The text form of feature overrides. Pure code (no Windows header), also
// built natively for fuzzing.
//
// Entries separated by ";". An entry is a feature name, "-" before the name
// turns it off, and ":" after it starts its parameters, separated by "," as
// name=value. Blanks around the parts are ignored:
//   "win7update:win7-version=6.0,verify_signer=true;-other"
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace base {

struct FeatureOverride {
  bool enabled = true;
  std::map<std::string, std::string, std::less<>> params;
};
using FeatureOverrides = std::map<std::string, FeatureOverride, std::less<>>;

// Parses the text form; nullopt for a malformed text (an empty name or
// parameter name, a parameter without "=", a name given twice).
std::optional<FeatureOverrides> ParseFeatureOverrides(std::string_view text);

}  // namespace base
