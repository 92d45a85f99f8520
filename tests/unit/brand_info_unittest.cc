#include <gtest/gtest.h>

#include "build_config.h"
#include "installer/config/brand_info.h"
#include "tests/unit/log_capture.h"

namespace lite_installer {
namespace {

TEST(BrandInfoTest, FirstWriterWinsForStringsAndSwitches) {
  testing_support::LogCapture log;
  BrandInfo brand(L"C:\\t\\");
  // Partner first, brand second.
  brand.ApplyBrandInfo(R"({"brand_id": "p", "install": {"send_statistics": false}})");
  brand.ApplyBrandInfo(R"({"brand_id": "b", "brand_name": "bn", "send_statistics": true,
                           "install": {"make_browser_default": false}})");
  EXPECT_EQ(brand.brand_id, "p");
  EXPECT_EQ(brand.brand_name, "bn");
  EXPECT_FALSE(brand.ShouldSendStatistics());
  EXPECT_FALSE(brand.ShouldMakeBrowserDefault());
  EXPECT_EQ(brand.send_statistics, kTriStateFalse);
}

TEST(BrandInfoTest, InstallKeysFallBackToTheRootOthersDoNot) {
  BrandInfo brand;
  brand.ApplyBrandInfo(R"({"setup_url": "x", "pin": 1, "variations": "v", "interface": "ru",
                           "alternate_installer_title": true})");
  EXPECT_EQ(brand.setup_url, "x");
  EXPECT_FALSE(brand.pin_found);
  EXPECT_EQ(brand.variations_url, "");
  EXPECT_EQ(brand.interface_language, "");
  EXPECT_TRUE(brand.ShowAlternateInstallerTitle());
  // The nested form is looked up first.
  BrandInfo nested;
  nested.ApplyBrandInfo(R"({"setup_url": "root", "install": {"setup_url": "nested"}})");
  EXPECT_EQ(nested.setup_url, "nested");
}

TEST(BrandInfoTest, PinIsPresenceOfANonNullValue) {
  testing_support::LogCapture log;
  BrandInfo with_false;
  with_false.ApplyBrandInfo(R"({"install": {"pin": false}})");
  EXPECT_TRUE(with_false.pin_found);
  EXPECT_TRUE(log.Has("Found install.pin", "ApplyBrandInfo"));
  BrandInfo with_null;
  with_null.ApplyBrandInfo(R"({"install": {"pin": null}})");
  EXPECT_FALSE(with_null.pin_found);
}

TEST(BrandInfoTest, FacetuneFlagsAreOverwrittenByEveryDocument) {
  testing_support::LogCapture log;
  BrandInfo brand;
  brand.ApplyBrandInfo(R"({"overridden_features": {"InstallerFacetune2023":
      {"enabled": false, "params": {"firstScreenOff": true, "lessContrasty": false}}}})");
  EXPECT_TRUE(log.Has("InstallerFacetune2023: enabled = 0, firstScreenOff = 1, "
                      "dialogsRedesign = 0, lessContrasty = 0"));
  EXPECT_FALSE(brand.FirstScreenOff());  // disabled feature hides its parameters
  brand.ApplyBrandInfo(R"({"overridden_features": {"InstallerFacetune2023":
      {"enabled": true, "params": {"dialogsRedesign": "yes"}}}})");
  EXPECT_TRUE(brand.FacetuneEnabled());
  EXPECT_TRUE(brand.FirstScreenOff());
  EXPECT_FALSE(brand.DialogsRedesign());  // not a boolean: kept
  EXPECT_FALSE(brand.LessContrasty());
  // A null block is no block.
  BrandInfo untouched;
  untouched.ApplyBrandInfo(R"({"overridden_features": {"InstallerFacetune2023": null}})");
  EXPECT_TRUE(untouched.LessContrasty());
}

TEST(BrandInfoTest, TestIdsTakeOnlyStringsOfTheFirstList) {
  testing_support::LogCapture log;
  BrandInfo brand;
  brand.ApplyBrandInfo(R"({"forced_testids": ["a", 5, "b"]})");
  brand.ApplyBrandInfo(R"({"forced_testids": ["c"]})");
  ASSERT_EQ(brand.forced_test_ids, (std::vector<std::string>{"a", "b"}));
  brand.LogBrandInfo();
  EXPECT_TRUE(log.Has("Test ids: a, b", "LogBrandInfo"));
}

TEST(BrandInfoTest, MalformedAndForeignDocumentsChangeNothing) {
  testing_support::LogCapture log;
  BrandInfo brand;
  brand.ApplyBrandInfo(R"({"brand_id": "first"})");
  brand.ApplyBrandInfo("{\"brand_name\": \"x\",\n \"broken\" }");
  EXPECT_TRUE(log.Has("Failed to load json : Line: 2, column: 11, Expected ':' after a member name.",
                      "ApplyBrandInfo"));
  brand.ApplyBrandInfo(R"(["brand_name", "x"])");
  EXPECT_TRUE(log.Has("Incorrect format of json", "ApplyBrandInfo"));
  // Every field of the wrong type is ignored.
  brand.ApplyBrandInfo(R"({"brand_name": 1, "partner_id": [], "languages": {"interface": 7},
      "install": {"setup_url": {}, "send_statistics": "false", "kepin_trial_state": 2,
                  "slide_url": null},
      "urls": {"abt": true}, "forced_testids": "a"})");
  EXPECT_EQ(brand.brand_id, "first");
  EXPECT_EQ(brand.brand_name, "");
  EXPECT_EQ(brand.partner_id, "");
  EXPECT_EQ(brand.setup_url, "");
  EXPECT_EQ(brand.send_statistics, kTriStateUnset);
  EXPECT_EQ(brand.kepin_trial_state, "");
  EXPECT_EQ(brand.abt_url, "");
  EXPECT_TRUE(brand.forced_test_ids.empty());
  // An empty string leaves the field open for the next document.
  brand.ApplyBrandInfo(R"({"brand_name": ""})");
  brand.ApplyBrandInfo(R"({"brand_name": "later"})");
  EXPECT_EQ(brand.brand_name, "later");
}

TEST(BrandInfoTest, DefaultsWithoutAnyDocument) {
  testing_support::LogCapture log;
  BrandInfo brand(L"C:\\t\\");
  brand.Clear();
  brand.ApplyBrandDefaults();
  EXPECT_EQ(brand.brand_id, "kelmor");
  EXPECT_EQ(brand.brand_name, "kelmor");
  EXPECT_EQ(brand.partner_id, "");
  EXPECT_EQ(brand.setup_url, std::string(KELMOR_DOWNLOAD_HOST) + "/browser/kelmor/browser-setup.arc");
  EXPECT_EQ(brand.scenarios_url,
            std::string(KELMOR_DOWNLOAD_HOST) + "/browser/installer/nessa/scenarios/");
  EXPECT_EQ(brand.license_url, std::string(KELMOR_LEGAL_HOST) + "/browser_agreement/");
  EXPECT_EQ(brand.conf_policy_url, std::string(KELMOR_LEGAL_HOST) + "/confidential/");
  EXPECT_EQ(brand.variations_url,
            std::string(KELMOR_API_HOST) + "/content/get/experiments/browser.proto");
  EXPECT_EQ(brand.abt_url, std::string(KELMOR_API_RU_HOST) + "/ab/get");
  EXPECT_EQ(brand.webntp_url, KELMOR_WEBNTP_HOST);
  EXPECT_EQ(brand.interface_language, InterfaceLanguageCode());
  EXPECT_EQ(brand.language_id, LanguageIdFromCode(brand.interface_language));
  EXPECT_TRUE(brand.ShouldSendStatistics());
  EXPECT_TRUE(brand.ShouldMakeBrowserDefault());
  EXPECT_FALSE(brand.ShowAlternateInstallerTitle());

  // Sixteen lines, in order.
  const char* kPrefixes[] = {
      "Brand id: ", "Brand name: ", "Setup url: ", "Versioned setup url: ", "Setup url64: ",
      "Versioned setup url64: ", "Setup url32: ", "Default language: ",
      "Nessa install scenarios url: ", "Install slide url by default: ",
      "Install slide url if tagged installer: ", "Show international title: ",
      "Send browser's statistics: ", "Make browser default after import: ",
      "Preloaded wallpapers url: ", "Test ids: "};
  std::vector<std::string> lines;
  for (const auto& r : log.records())
    if (std::string(r.function) == "LogBrandInfo") lines.push_back(r.text);
  ASSERT_EQ(lines.size(), 16u);
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(lines[i].rfind(kPrefixes[i], 0), 0u) << lines[i];
  EXPECT_EQ(lines[0], "Brand id: kelmor");
  EXPECT_EQ(lines[11], "Show international title: 0");
  EXPECT_EQ(lines[12], "Send browser's statistics: 1");
  EXPECT_TRUE(log.Has("Reset brand info.", "Clear"));
}

TEST(BrandInfoTest, DefaultsFillOnlyEmptyFieldsAndSetupUrlFollowsTheBrand) {
  BrandInfo brand;
  brand.ApplyBrandInfo(R"({"brand_id": "tb", "languages": {"interface": "tr"},
                           "license_url": "https://l/", "urls": {"webntp": "https://n"}})");
  brand.ApplyBrandDefaults();
  EXPECT_EQ(brand.brand_name, "tb");
  EXPECT_EQ(brand.setup_url, std::string(KELMOR_DOWNLOAD_HOST) + "/browser/tb/browser-setup.arc");
  EXPECT_EQ(brand.license_url, "https://l/");
  EXPECT_EQ(brand.webntp_url, "https://n");
  EXPECT_EQ(brand.interface_language, "tr");
  EXPECT_EQ(brand.language_id, 1055u);
}

TEST(BrandInfoTest, ClearKeepsUrlsKeysAndTemporaryFolder) {
  BrandInfo brand(L"C:\\tmp\\");
  brand.ApplyBrandInfo(R"({"brand_id": "x", "languages": {"interface": "de"},
      "urls": {"variations": "v", "abt": "a", "webntp": "w"}, "install": {"pin": 1,
      "send_statistics": false}, "forced_testids": ["t"],
      "overridden_features": {"InstallerFacetune2023": {"enabled": false}}})");
  brand.brand_package_path = L"p";
  brand.brand_package_loaded = true;
  EXPECT_EQ(brand.language_id, 1031u);
  brand.Clear();
  EXPECT_EQ(brand.brand_id, "");
  EXPECT_EQ(brand.interface_language, "");
  EXPECT_EQ(brand.language_id, 1033u);
  EXPECT_EQ(brand.variations_url, "v");
  EXPECT_EQ(brand.abt_url, "a");
  EXPECT_EQ(brand.webntp_url, "w");
  EXPECT_EQ(brand.temp_dir, L"C:\\tmp\\");
  EXPECT_EQ(brand.brand_package_path, L"");
  EXPECT_TRUE(brand.brand_package_loaded);
  EXPECT_FALSE(brand.pin_found);
  EXPECT_EQ(brand.send_statistics, kTriStateUnset);
  EXPECT_TRUE(brand.forced_test_ids.empty());
  EXPECT_TRUE(brand.FacetuneEnabled());
}

TEST(BrandInfoTest, LanguageCodesBothWays) {
  const std::pair<uint32_t, const char*> kTable[] = {
      {1028, "zh-TW"}, {1029, "cs"}, {1031, "de"},    {1036, "fr"},    {1040, "it"},
      {1041, "ja"},    {1046, "pt-BR"}, {1049, "ru"}, {1055, "tr"},    {1058, "uk"},
      {1087, "kk"},    {1091, "uz"}, {2052, "zh-CN"}, {2070, "pt-PT"}, {3082, "es"},
  };
  for (const auto& [langid, code] : kTable) {
    EXPECT_EQ(InterfaceLanguageCodeForLangId(langid), code);
    EXPECT_EQ(LanguageIdFromCode(code), langid) << code;
  }
  EXPECT_EQ(InterfaceLanguageCodeForLangId(1033), "en");
  EXPECT_EQ(InterfaceLanguageCodeForLangId(2057), "en");  // English (UK)
  EXPECT_EQ(InterfaceLanguageCodeForLangId(1034), "en");  // traditional Spanish is not 3082
  EXPECT_EQ(LanguageIdFromCode("en"), 1033u);
  EXPECT_EQ(LanguageIdFromCode("pt-br"), 1033u);
  EXPECT_EQ(LanguageIdFromCode("RU"), 1033u);
  EXPECT_EQ(LanguageIdFromCode("rus"), 1033u);
  EXPECT_EQ(LanguageIdFromCode(""), 1033u);
  BrandInfo brand;
  brand.ApplyBrandInfo(R"({"languages": {"interface": "pt-br"}})");
  EXPECT_EQ(brand.language_id, 1033u);
}

}  // namespace
}  // namespace lite_installer
