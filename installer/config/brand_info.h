// The brand record: which brand and partner this run belongs to, their
// URLs, the interface language and the switches a distributor may force.
// Filled once on the main thread (partner package, then brand package, then
// the defaults) and shared read-only afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lite_installer {

// 0 = unset, 1 = true, 2 = false; also the meaning of the distribution
// parameter values "1" and "2".
enum TriState : int32_t {
  kTriStateUnset = 0,
  kTriStateTrue = 1,
  kTriStateFalse = 2,
};

class BrandInfo {
 public:
  explicit BrandInfo(std::wstring temp_dir = {});
  BrandInfo(const BrandInfo&) = default;
  BrandInfo& operator=(const BrandInfo&) = default;
  virtual ~BrandInfo();

  // Resets every field a package can fill, except the "urls." ones.
  virtual void Clear();

  // Merges one JSON document: strings and switches only while still empty,
  // the InstallerFacetune2023 flags always.
  void ApplyBrandInfo(std::string_view json_text);
  // Fills every still-empty field with its built-in default, then logs.
  void ApplyBrandDefaults();
  void LogBrandInfo() const;

  // Derived reads.
  bool ShouldSendStatistics() const { return send_statistics < kTriStateFalse; }
  bool ShouldMakeBrowserDefault() const { return make_browser_default < kTriStateFalse; }
  bool ShowAlternateInstallerTitle() const { return alternate_installer_title == kTriStateTrue; }
  bool FacetuneEnabled() const { return facetune_enabled; }
  bool FirstScreenOff() const { return facetune_enabled && facetune_first_screen_off; }
  bool DialogsRedesign() const { return facetune_enabled && facetune_dialogs_redesign; }
  bool LessContrasty() const { return facetune_enabled && facetune_less_contrasty; }

  // Sets `interface_language` and recomputes `language_id`.
  void SetInterfaceLanguage(std::string code);

  std::string setup_url;
  std::string setup_url_version;
  std::string setup_url64;
  std::string setup_url_version64;
  std::string setup_url32;
  std::string brand_id;
  std::string brand_name;
  std::string interface_language;
  uint32_t language_id = 1033;
  std::string license_url;
  std::string conf_policy_url;
  std::wstring temp_dir;
  std::wstring brand_package_path;
  std::wstring partner_package_path;
  std::string partner_id;
  std::string scenarios_url;
  std::string slide_url;
  std::string slide_url_if_tagged;
  std::string variations_url;
  std::string abt_url;
  std::string webntp_url;
  std::string preloaded_wallpapers_url;
  bool pin_found = false;
  std::string kepin_trial_state;
  bool facetune_enabled = true;
  bool facetune_first_screen_off = false;
  bool facetune_dialogs_redesign = false;
  bool facetune_less_contrasty = true;
  std::vector<std::string> forced_test_ids;
  bool brand_package_loaded = false;
  bool partner_package_loaded = false;
  TriState alternate_installer_title = kTriStateUnset;
  TriState send_statistics = kTriStateUnset;
  TriState make_browser_default = kTriStateUnset;
};

// Whether a download named by brand data (setup, seed, wallpaper and slide
// URLs) may go to `url`: HTTPS only in the release configuration, where
// every production host speaks HTTPS; the test configuration also takes
// plain HTTP, which its stand speaks. A refusal is logged with `what`.
bool AllowBrandDownloadUrl(std::string_view url, std::string_view what);

// The user's default UI language as one of the sixteen interface language
// codes ("en" for every other language).
std::string InterfaceLanguageCode();
// The same mapping for a given LANGID.
std::string InterfaceLanguageCodeForLangId(uint32_t langid);
// The inverse: exact, case-sensitive; 1033 for "en" and every unknown code.
uint32_t LanguageIdFromCode(std::string_view code);

}  // namespace lite_installer
