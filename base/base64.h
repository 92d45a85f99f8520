// Base64 (RFC 4648, standard alphabet). Pure code: no Windows header.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace base {

// With "=" padding.
std::string Base64Encode(std::string_view data);
// Accepts the text with or without its "=" padding; nullopt for any other
// character, a misplaced "=", or a length that no encoding has.
std::optional<std::string> Base64Decode(std::string_view text);

}  // namespace base
