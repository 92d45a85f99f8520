#include "installer/config/distrib_info_params.h"

#include "base/files.h"
#include "base/json.h"
#include "base/logging.h"
#include "base/strings.h"
#include "build_config.h"
#include "installer/config/brand_info.h"
#include "installer/config/installer_tag.h"
#include "installer/config/installer_command_line.h"
#include "installer/config/installer_options.h"
#include "installer/util/registry.h"

namespace lite_installer {

DistribInfoParams::DistribInfoParams() = default;
DistribInfoParams::~DistribInfoParams() = default;

std::optional<std::string> DistribInfoParams::Get(std::string_view key) const {
  const auto it = params.find(std::string(key));
  if (it == params.end()) return std::nullopt;
  return it->second;
}

void DistribInfoParams::StoreParams(const std::string& raw) {
  installer_util::StoreValue(L"DistribInfoParams", base::AsciiToWide(raw));
}

std::wstring DistribInfoParams::GetOwnExecutablePath() const { return base::GetModulePath(); }

std::optional<bool> DistribInfoParams::GetBool(std::string_view key) const {
  const std::optional<std::string> value = Get(key);
  if (value == "1") return true;
  if (value == "2") return false;
  return std::nullopt;
}

bool DistribInfoParams::LoadParams(const InstallerCommandLine& command_line,
                                   const std::wstring& own_path) {
  std::string raw = base::WideToUtf8(command_line.GetSwitchValue("distr-info-params"));
  if (raw.empty()) {
    const std::wstring path = own_path.empty() ? GetOwnExecutablePath() : own_path;
    raw = ExtractTagFromFakeCertificate(path);
    if (raw.empty()) raw = ReadAppendedTag(path);
  }
  if (!raw.empty()) StoreParams(raw);
  params = ParseDistribParams(raw);
  if (params.empty()) return !distr_info_file.empty();

  const std::wstring dump_path = GetDistribInfoDumpPath();
  std::string json;
  if (!CreateJsonFromDistribParams(params, &json)) {
    LOG_TAG(ERROR, "CreateJsonFromDistribParams") << "Can't create json dump";
  } else if (!base::WriteStringToFile(dump_path, json)) {
    LOG(ERROR) << "Write json to file error";
  }
  distr_info_file = dump_path;
  return true;
}

std::wstring GetDistribInfoDumpPath() { return base::GetTempDir() + L"distrib_info"; }

bool CreateJsonFromDistribParams(const DistribParamMap& params, std::string* json) {
  base::Value dict = base::Value::NewDict();
  for (const auto& [key, value] : params) dict.SetKey(key, base::Value(value));
  return base::WriteJson(
      dict, base::kJsonWritePretty | base::kJsonWriteOmitDoubleTypePreservation, json);
}

std::optional<bool> GetMakeDefaultPreset(const DistribInfoParams& params) {
  return params.GetBool("def");
}

std::optional<bool> GetSendStatisticsPreset(const DistribInfoParams& params) {
  if (const std::optional<bool> stat = params.GetBool("stat")) return stat;
  if (const std::optional<std::string> promo = params.Get("statpromo")) return *promo == "true";
  return std::nullopt;
}

bool CanSkipFirstScreen(const DistribInfoParams& params, const BrandInfo& brand) {
  if (!brand.FirstScreenOff() && params.Get("first") != "1") return false;
  return GetMakeDefaultPreset(params).has_value() && GetSendStatisticsPreset(params).has_value();
}

bool IsCancelAllowedParam(const DistribInfoParams& params) { return params.Get("cancel") == "1"; }

bool IsUts2Param(const DistribInfoParams& params) { return params.Get("uts2") == "1"; }

int GetUacMode(const DistribInfoParams& params, const BrandInfo& brand,
               const InstallerOptions& options) {
  if (options.system_level || options.program_files_installation) return 0;
  const std::optional<std::string> uac = params.Get("uac");
  if (!uac) return 0;
  const std::optional<int64_t> mode = base::ParseInt64(std::string_view(*uac));
  if (mode == 1 || mode == 2) return static_cast<int>(*mode);
  if (mode == 0) return CanSkipFirstScreen(params, brand) ? 1 : 0;
  return 0;
}

int GetKepinTrialState(const DistribInfoParams& params, const BrandInfo& brand,
                       const InstallerOptions& options) {
  if (brand.FacetuneEnabled()) return 0;
  if (!brand.pin_found) {
    if (!brand.kepin_trial_state.empty())
      LOG(WARNING) << "No install.pin for kepin_state=" << brand.kepin_trial_state;
    return 1;
  }
  std::string state = brand.kepin_trial_state;
  if (state.empty()) state = options.kepin_state;
  if (state.empty()) state = params.Get("kepin").value_or(std::string());
  const std::optional<int64_t> value = base::ParseInt64(std::string_view(state));
  if (value && *value >= 0 && *value <= 3) return static_cast<int>(*value);
  return 0;
}

std::string DomainZoneForBrand(std::string_view brand_id) {
  if (brand_id == "by") return "by";
  if (brand_id == "int") return "com";
  if (brand_id == "tb") return "com.tr";
  if (brand_id == "ua" || brand_id == "ua-uk" || brand_id == "ua-ru") return "ua";
  return "ru";
}

std::string BuildDownloadPageUrl(const DistribInfoParams& params, const BrandInfo& brand) {
  static constexpr std::string_view kCopiedKeys[] = {
      "banerid", "beta",     "betacusto", "bgid", "calypso", "custo",
      "expcalypso", "football", "lang", "partner_id", "tablo", "kepartner_id",
  };
  std::string url = std::string(KELMOR_SITE_STEM) + "." + DomainZoneForBrand(brand.brand_id) +
                    "/download?";
  for (const auto& [key, value] : params.params) {
    for (std::string_view copied : kCopiedKeys) {
      if (key == copied) {
        url += key + "=" + value + "&";
        break;
      }
    }
  }
  url += "full=1&code=lite_install_failed";
  return url;
}

std::wstring BuildLicenseLinkUrl(const BrandInfo& brand) {
  return base::Utf8ToWide(brand.license_url + "?lang=" + brand.interface_language);
}

std::string BuildSlideBaseUrl(const BrandInfo& brand) {
  if (!brand.slide_url.empty()) return brand.slide_url;
  std::string url = std::string(KELMOR_DOWNLOAD_HOST) + "/browser/installer/";
  if (brand.FacetuneEnabled()) url += "facetune/";
  return url + brand.interface_language + "/";
}

}  // namespace lite_installer
