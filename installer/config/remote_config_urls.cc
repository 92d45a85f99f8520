#include "installer/config/remote_config_urls.h"

#include "base/base64.h"
#include "base/json.h"

namespace lite_installer {

std::string StripUserIdBraces(std::string_view user_id) {
  if (user_id.size() >= 2 && user_id.front() == '{' && user_id.back() == '}')
    return std::string(user_id.substr(1, user_id.size() - 2));
  return std::string(user_id);
}

std::string BuildSeedUrlFor(std::string_view base_url, std::string_view brand_id,
                            std::string_view partner_id, std::string_view user_id) {
  std::string url(base_url);
  const std::string uid = StripUserIdBraces(user_id);
  const std::pair<const char*, std::string_view> params[] = {
      {"brand", brand_id}, {"partner", partner_id}, {"uid", uid}, {"version", kSeedRequestVersion}};
  for (const auto& [key, value] : params) {
    if (value.empty()) continue;
    url += url.find('?') == std::string::npos ? '?' : '&';
    url += key;
    url += '=';
    url += value;
  }
  return url;
}

std::string BuildServerConfigUrl(std::string_view api_host, std::string_view brand_id,
                                 std::string_view partner_id) {
  std::string query;
  if (!brand_id.empty()) query = "brandID=" + std::string(brand_id);
  if (!partner_id.empty()) {
    if (!query.empty()) query += '&';
    query += "partnerID=" + std::string(partner_id);
  }
  std::string url = std::string(api_host) + "/configs/all_zip";
  if (!query.empty()) url += "?" + query;
  return url;
}

bool FormatVariationsSeed(std::string_view body, std::string_view signature,
                          std::string_view last_modified, std::string_view country,
                          std::string* json) {
  base::Value seed = base::Value::NewDict();
  seed.SetKey("variations_seed_base64", base::Value(base::Base64Encode(body)));
  seed.SetKey("variations_seed_signature", base::Value(signature));
  seed.SetKey("variations_last_modified_time", base::Value(last_modified));
  seed.SetKey("variations_country", base::Value(country));
  return base::WriteJson(seed, base::kJsonWritePretty | base::kJsonWriteOmitDoubleTypePreservation,
                         json);
}

}  // namespace lite_installer
