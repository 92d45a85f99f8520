#include "installer/config/brand_info.h"

#include <windows.h>

#include <utility>

#include "base/json.h"
#include "base/logging.h"
#include "build_config.h"
#include "installer/util/download_logic.h"

namespace lite_installer {
namespace {

struct LanguageEntry {
  uint32_t langid;
  const char* code;
};

constexpr LanguageEntry kLanguages[] = {
    {1028, "zh-TW"}, {1029, "cs"}, {1031, "de"},    {1036, "fr"},    {1040, "it"},
    {1041, "ja"},    {1046, "pt-BR"}, {1049, "ru"}, {1055, "tr"},    {1058, "uk"},
    {1087, "kk"},    {1091, "uz"}, {2052, "zh-CN"}, {2070, "pt-PT"}, {3082, "es"},
};

constexpr uint32_t kEnglishUs = 1033;

// A dotted key; keys under "install." may also stand at the root.
const base::Value* FindConfigValue(const base::Value& root, std::string_view key) {
  if (const base::Value* v = root.FindPath(key)) return v;
  constexpr std::string_view kInstall = "install.";
  if (key.substr(0, kInstall.size()) == kInstall)
    return root.FindKey(key.substr(kInstall.size()));
  return nullptr;
}

void MergeString(const base::Value& root, std::string_view key, std::string& field) {
  if (!field.empty()) return;
  const base::Value* v = FindConfigValue(root, key);
  if (v && v->is_string()) field = v->GetString();
}

void MergeTriState(const base::Value& root, std::string_view key, TriState& field) {
  if (field != kTriStateUnset) return;
  const base::Value* v = FindConfigValue(root, key);
  if (v && v->is_bool()) field = v->GetBool() ? kTriStateTrue : kTriStateFalse;
}

void OverwriteBool(const base::Value& root, std::string_view key, bool& field) {
  const base::Value* v = FindConfigValue(root, key);
  if (v && v->is_bool()) field = v->GetBool();
}

void SetIfEmpty(std::string& field, std::string value) {
  if (field.empty()) field = std::move(value);
}

}  // namespace

BrandInfo::BrandInfo(std::wstring temp_dir) : temp_dir(std::move(temp_dir)) {}

BrandInfo::~BrandInfo() = default;

void BrandInfo::Clear() {
  LOG(INFO) << "Reset brand info.";
  // variations_url, abt_url, webntp_url and temp_dir are kept.
  setup_url.clear();
  setup_url_version.clear();
  setup_url64.clear();
  setup_url_version64.clear();
  setup_url32.clear();
  brand_id.clear();
  brand_name.clear();
  interface_language.clear();
  language_id = kEnglishUs;
  license_url.clear();
  conf_policy_url.clear();
  brand_package_path.clear();
  partner_package_path.clear();
  partner_id.clear();
  scenarios_url.clear();
  slide_url.clear();
  slide_url_if_tagged.clear();
  preloaded_wallpapers_url.clear();
  pin_found = false;
  kepin_trial_state.clear();
  facetune_enabled = true;
  facetune_first_screen_off = false;
  facetune_dialogs_redesign = false;
  facetune_less_contrasty = true;
  forced_test_ids.clear();
  alternate_installer_title = kTriStateUnset;
  send_statistics = kTriStateUnset;
  make_browser_default = kTriStateUnset;
}

void BrandInfo::SetInterfaceLanguage(std::string code) {
  interface_language = std::move(code);
  language_id = LanguageIdFromCode(interface_language);
}

void BrandInfo::ApplyBrandInfo(std::string_view json_text) {
  std::string error;
  const std::optional<base::Value> parsed = base::ReadJson(json_text, base::kJsonExtended, &error);
  if (!parsed) {
    LOG(ERROR) << "Failed to load json : " << error;
    return;
  }
  const base::Value& root = *parsed;
  if (!root.is_dict()) {
    LOG(ERROR) << "Incorrect format of json";
    return;
  }

  MergeString(root, "languages.interface", interface_language);
  language_id = LanguageIdFromCode(interface_language);
  MergeString(root, "brand_id", brand_id);
  MergeString(root, "brand_name", brand_name);
  MergeString(root, "install.setup_url", setup_url);
  MergeString(root, "install.setup_url_version", setup_url_version);
  MergeString(root, "install.setup_url64", setup_url64);
  MergeString(root, "install.setup_url_version64", setup_url_version64);
  MergeString(root, "install.setup_url32", setup_url32);
  MergeString(root, "license_url", license_url);
  MergeString(root, "install.conf_policy_url", conf_policy_url);

  MergeTriState(root, "install.alternate_installer_title", alternate_installer_title);
  MergeTriState(root, "install.send_statistics", send_statistics);
  MergeTriState(root, "install.make_browser_default", make_browser_default);

  MergeString(root, "partner_id", partner_id);
  MergeString(root, "install.scenarios_url", scenarios_url);
  MergeString(root, "install.slide_url", slide_url);
  MergeString(root, "install.slide_url_if_tagged", slide_url_if_tagged);
  MergeString(root, "urls.variations", variations_url);
  MergeString(root, "urls.abt", abt_url);
  MergeString(root, "urls.webntp", webntp_url);
  MergeString(root, "install.preloaded_wallpapers_url", preloaded_wallpapers_url);

  // Only the nested form counts: a top-level "pin" is not this switch.
  const base::Value* pin = root.FindPath("install.pin");
  if (pin && !pin->is_none()) {
    pin_found = true;
    LOG(INFO) << "Found install.pin";
  }
  MergeString(root, "install.kepin_trial_state", kepin_trial_state);

  const base::Value* facetune = root.FindPath("overridden_features.InstallerFacetune2023");
  if (facetune && !facetune->is_none()) {
    OverwriteBool(root, "overridden_features.InstallerFacetune2023.enabled", facetune_enabled);
    OverwriteBool(root, "overridden_features.InstallerFacetune2023.params.firstScreenOff",
                  facetune_first_screen_off);
    OverwriteBool(root, "overridden_features.InstallerFacetune2023.params.dialogsRedesign",
                  facetune_dialogs_redesign);
    OverwriteBool(root, "overridden_features.InstallerFacetune2023.params.lessContrasty",
                  facetune_less_contrasty);
    LOG(INFO) << "InstallerFacetune2023: enabled = " << facetune_enabled
              << ", firstScreenOff = " << facetune_first_screen_off
              << ", dialogsRedesign = " << facetune_dialogs_redesign
              << ", lessContrasty = " << facetune_less_contrasty;
  }

  const base::Value* test_ids = root.FindKey("forced_testids");
  if (forced_test_ids.empty() && test_ids && test_ids->is_list()) {
    for (const base::Value& id : test_ids->GetList())
      if (id.is_string()) forced_test_ids.push_back(id.GetString());
  }
}

void BrandInfo::ApplyBrandDefaults() {
  SetIfEmpty(brand_id, "kelmor");
  SetIfEmpty(brand_name, brand_id);
  // partner_id defaults to "" and so stays as it is.
  SetIfEmpty(scenarios_url, std::string(KELMOR_DOWNLOAD_HOST) + "/browser/installer/nessa/scenarios/");
  SetIfEmpty(setup_url, std::string(KELMOR_DOWNLOAD_HOST) + "/browser/" + brand_id +
                            "/browser-setup.arc");
  SetIfEmpty(license_url, std::string(KELMOR_LEGAL_HOST) + "/browser_agreement/");
  SetIfEmpty(conf_policy_url, std::string(KELMOR_LEGAL_HOST) + "/confidential/");
  if (interface_language.empty()) SetInterfaceLanguage(InterfaceLanguageCode());
  SetIfEmpty(variations_url,
             std::string(KELMOR_API_HOST) + "/content/get/experiments/browser.proto");
  SetIfEmpty(abt_url, std::string(KELMOR_API_RU_HOST) + "/ab/get");
  SetIfEmpty(webntp_url, KELMOR_WEBNTP_HOST);
  LogBrandInfo();
}

void BrandInfo::LogBrandInfo() const {
  LOG(INFO) << "Brand id: " << brand_id;
  LOG(INFO) << "Brand name: " << brand_name;
  LOG(INFO) << "Setup url: " << setup_url;
  LOG(INFO) << "Versioned setup url: " << setup_url_version;
  LOG(INFO) << "Setup url64: " << setup_url64;
  LOG(INFO) << "Versioned setup url64: " << setup_url_version64;
  LOG(INFO) << "Setup url32: " << setup_url32;
  LOG(INFO) << "Default language: " << interface_language;
  LOG(INFO) << "Nessa install scenarios url: " << scenarios_url;
  LOG(INFO) << "Install slide url by default: " << slide_url;
  LOG(INFO) << "Install slide url if tagged installer: " << slide_url_if_tagged;
  LOG(INFO) << "Show international title: " << ShowAlternateInstallerTitle();
  LOG(INFO) << "Send browser's statistics: " << ShouldSendStatistics();
  LOG(INFO) << "Make browser default after import: " << ShouldMakeBrowserDefault();
  LOG(INFO) << "Preloaded wallpapers url: " << preloaded_wallpapers_url;
  std::string ids;
  for (const std::string& id : forced_test_ids) {
    if (!ids.empty()) ids += ", ";
    ids += id;
  }
  LOG(INFO) << "Test ids: " << ids;
}

std::string InterfaceLanguageCodeForLangId(uint32_t langid) {
  for (const LanguageEntry& entry : kLanguages)
    if (entry.langid == langid) return entry.code;
  return "en";
}

std::string InterfaceLanguageCode() {
  return InterfaceLanguageCodeForLangId(::GetUserDefaultUILanguage());
}

uint32_t LanguageIdFromCode(std::string_view code) {
  if (code.size() != 2 && code.size() != 5) return kEnglishUs;
  for (const LanguageEntry& entry : kLanguages)
    if (code == entry.code) return entry.langid;
  return kEnglishUs;
}

bool AllowBrandDownloadUrl(std::string_view url, std::string_view what) {
  if (installer_util::IsBrandDownloadUrlAllowed(url, KELMOR_TEST_BUILD != 0)) return true;
  LOG(ERROR) << "Refused " << what << " url (only https is allowed): " << url;
  return false;
}

}  // namespace lite_installer
