// Distribution parameters: the per-download "key=value&..." string from the
// command line or the installer tag, its readers and the site URLs built
// from it and the brand record.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "installer/config/distrib_params_parser.h"

namespace lite_installer {

class BrandInfo;
class InstallerCommandLine;
struct InstallerOptions;

class DistribInfoParams {
 public:
  DistribInfoParams();
  virtual ~DistribInfoParams();

  // The value of `key` (exact match), nullopt when absent.
  virtual std::optional<std::string> Get(std::string_view key) const;
  // Keeps the raw parameter string in the registry value "DistribInfoParams".
  virtual void StoreParams(const std::string& raw);
  virtual std::wstring GetOwnExecutablePath() const;

  // "distr-info-params" from the command line, else the tag of the own
  // executable (`own_path`, or GetOwnExecutablePath() when empty): parses
  // it, stores it and writes the "distrib_info" dump. True when
  // `distr_info_file` was set.
  bool LoadParams(const InstallerCommandLine& command_line, const std::wstring& own_path = {});

  // true for "1", false for "2", nullopt otherwise.
  std::optional<bool> GetBool(std::string_view key) const;

  // For tests and for code that builds a parameter set by hand.
  void SetParamsForTesting(std::string_view raw) { params = ParseDistribParams(raw); }

  std::wstring distr_info_file;
  DistribParamMap params;
};

// Path of the JSON dump ("distrib_info" in the temporary folder).
std::wstring GetDistribInfoDumpPath();
// The dump's text: one string member per parameter, pretty printed; false
// when a value cannot be written as JSON (not UTF-8).
bool CreateJsonFromDistribParams(const DistribParamMap& params, std::string* json);

// Readers.
std::optional<bool> GetMakeDefaultPreset(const DistribInfoParams& params);
std::optional<bool> GetSendStatisticsPreset(const DistribInfoParams& params);
bool CanSkipFirstScreen(const DistribInfoParams& params, const BrandInfo& brand);
bool IsCancelAllowedParam(const DistribInfoParams& params);
bool IsUts2Param(const DistribInfoParams& params);
// 0, 1 or 2.
int GetUacMode(const DistribInfoParams& params, const BrandInfo& brand,
               const InstallerOptions& options);
// 0 to 3.
int GetKepinTrialState(const DistribInfoParams& params, const BrandInfo& brand,
                       const InstallerOptions& options);

// Site URLs.
// Top-level domain of the regional sites for a brand id ("ua-uk" -> "ua").
std::string DomainZoneForBrand(std::string_view brand_id);
// The download page offered after a failed installation.
std::string BuildDownloadPageUrl(const DistribInfoParams& params, const BrandInfo& brand);
std::wstring BuildLicenseLinkUrl(const BrandInfo& brand);
std::string BuildSlideBaseUrl(const BrandInfo& brand);

}  // namespace lite_installer
