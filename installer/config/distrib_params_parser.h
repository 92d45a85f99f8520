// The distribution parameter string: "key=value" pairs joined by "&".
// Pure code (no Windows header), also built natively for fuzzing.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace lite_installer {

using DistribParamMap = std::map<std::string, std::string>;

// Within a pair the key runs to the first "=", the value from there to the
// next "&"; a pair without "=" has an empty value. Nothing is decoded. A
// repeated key keeps its last value; an empty string gives an empty map.
DistribParamMap ParseDistribParams(std::string_view text);

}  // namespace lite_installer
