// Addresses and file formats of the remote configuration tasks: the seed
// request URL, the server-config bundle URL and the saved seed file. Pure
// code: no Windows header.
#pragma once

#include <string>
#include <string_view>

namespace lite_installer {

// The browser version the seeds are asked for.
inline constexpr char kSeedRequestVersion[] = "23.11.3.935";

// "{ABC}" -> "ABC"; anything not both starting with "{" and ending with "}"
// stays as it is.
std::string StripUserIdBraces(std::string_view user_id);

// `base_url` with "brand", "partner", "uid" (braces removed) and "version",
// in that order, each appended as "?" (no "?" in the URL so far) or "&",
// key, "=", value; empty values are left out, nothing is escaped.
std::string BuildSeedUrlFor(std::string_view base_url, std::string_view brand_id,
                            std::string_view partner_id, std::string_view user_id);

// `api_host` + "/configs/all_zip", then "?brandID=..&partnerID=.." with the
// non-empty ones (no "?" when both are empty).
std::string BuildServerConfigUrl(std::string_view api_host, std::string_view brand_id,
                                 std::string_view partner_id);

// The saved seed file: a pretty-printed JSON dictionary of the four strings
// "variations_seed_base64" (the body in standard Base64 with padding),
// "variations_seed_signature", "variations_last_modified_time" and
// "variations_country". False when a header is not valid UTF-8.
bool FormatVariationsSeed(std::string_view body, std::string_view signature,
                          std::string_view last_modified, std::string_view country,
                          std::string* json);

}  // namespace lite_installer
