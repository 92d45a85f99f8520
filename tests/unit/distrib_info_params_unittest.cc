#include <gtest/gtest.h>

#include <windows.h>

#include "base/files.h"
#include "base/json.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "build_config.h"
#include "installer/config/brand_info.h"
#include "installer/config/distrib_info_params.h"
#include "installer/config/existing_installation.h"
#include "installer/config/installer_command_line.h"
#include "installer/config/installer_options.h"
#include "installer/util/registry.h"
#include "tests/unit/log_capture.h"

namespace lite_installer {
namespace {

DistribInfoParams Params(std::string_view raw) {
  DistribInfoParams p;
  p.SetParamsForTesting(raw);
  return p;
}

InstallerCommandLine CommandLine(const wchar_t* text) { return InstallerCommandLine(text); }
InstallerOptions Options(const wchar_t* text) { return InstallerOptions::FromCommandLine(CommandLine(text)); }

TEST(DistribParamsParserTest, PairsKeysAndValues) {
  EXPECT_EQ(ParseDistribParams("a=1&b&c="),
            (DistribParamMap{{"a", "1"}, {"b", ""}, {"c", ""}}));
  EXPECT_EQ(ParseDistribParams("def=1&def=2"), (DistribParamMap{{"def", "2"}}));
  EXPECT_EQ(ParseDistribParams(""), DistribParamMap{});
  // Values keep "=" and percent escapes; empty pairs record nothing.
  EXPECT_EQ(ParseDistribParams("u=a=b%20c&&x=1&"),
            (DistribParamMap{{"u", "a=b%20c"}, {"x", "1"}}));
  EXPECT_EQ(ParseDistribParams("=v"), (DistribParamMap{{"", "v"}}));
}

TEST(DistribInfoParamsTest, LookupsAndPresets) {
  const DistribInfoParams p = Params("def=1&def=2&stat=3&statpromo=true&x=");
  EXPECT_EQ(p.Get("x"), "");
  EXPECT_EQ(p.Get("X"), std::nullopt);
  EXPECT_EQ(p.GetBool("def"), false);
  EXPECT_EQ(p.GetBool("stat"), std::nullopt);
  EXPECT_EQ(GetMakeDefaultPreset(p), false);
  EXPECT_EQ(GetSendStatisticsPreset(p), true);
  EXPECT_EQ(GetSendStatisticsPreset(Params("statpromo=TRUE")), false);
  EXPECT_EQ(GetSendStatisticsPreset(Params("stat=2&statpromo=true")), false);
  EXPECT_EQ(GetSendStatisticsPreset(Params("")), std::nullopt);
  EXPECT_TRUE(IsCancelAllowedParam(Params("cancel=1")));
  EXPECT_FALSE(IsCancelAllowedParam(Params("cancel=true")));
  EXPECT_TRUE(IsUts2Param(Params("uts2=1")));
  EXPECT_FALSE(IsUts2Param(Params("")));
}

TEST(DistribInfoParamsTest, SkippingTheFirstScreenAndUacMode) {
  BrandInfo brand;
  const InstallerOptions plain = Options(L"setup.exe");
  EXPECT_TRUE(CanSkipFirstScreen(Params("first=1&def=1&stat=1"), brand));
  EXPECT_FALSE(CanSkipFirstScreen(Params("first=1&def=1"), brand));
  EXPECT_FALSE(CanSkipFirstScreen(Params("def=1&stat=2"), brand));
  brand.ApplyBrandInfo(R"({"overridden_features": {"InstallerFacetune2023":
                           {"params": {"firstScreenOff": true}}}})");
  EXPECT_TRUE(CanSkipFirstScreen(Params("def=2&statpromo=no"), brand));

  BrandInfo plain_brand;
  EXPECT_EQ(GetUacMode(Params("uac=0&first=1&def=1&stat=1"), plain_brand, plain), 1);
  EXPECT_EQ(GetUacMode(Params("uac=0"), plain_brand, plain), 0);
  EXPECT_EQ(GetUacMode(Params("uac=2"), plain_brand, plain), 2);
  EXPECT_EQ(GetUacMode(Params("uac=7"), plain_brand, plain), 0);
  EXPECT_EQ(GetUacMode(Params("uac=x"), plain_brand, plain), 0);
  EXPECT_EQ(GetUacMode(Params(""), plain_brand, plain), 0);
  EXPECT_EQ(GetUacMode(Params("uac=2"), plain_brand, Options(L"s.exe --system-level")), 0);
  EXPECT_EQ(GetUacMode(Params("uac=1"), plain_brand,
                       Options(L"s.exe --program-files-installation")),
            0);
}

TEST(DistribInfoParamsTest, KepinTrialState) {
  testing_support::LogCapture log;
  const InstallerOptions plain = Options(L"setup.exe");
  BrandInfo facetune;  // the redesigned look is on by default
  facetune.ApplyBrandInfo(R"({"install": {"pin": {}, "kepin_trial_state": "5"}})");
  EXPECT_EQ(GetKepinTrialState(Params(""), facetune, plain), 0);

  const char* kOff = R"({"overridden_features": {"InstallerFacetune2023": {"enabled": false}}})";
  BrandInfo no_pin;
  no_pin.ApplyBrandInfo(kOff);
  no_pin.ApplyBrandInfo(R"({"install": {"kepin_trial_state": "2"}})");
  EXPECT_EQ(GetKepinTrialState(Params("kepin=3"), no_pin, plain), 1);
  EXPECT_TRUE(log.Has("No install.pin for kepin_state=2", "GetKepinTrialState"));

  BrandInfo pin;
  pin.ApplyBrandInfo(kOff);
  pin.ApplyBrandInfo(R"({"install": {"pin": true}})");
  EXPECT_EQ(GetKepinTrialState(Params("kepin=3"), pin, plain), 3);
  EXPECT_EQ(GetKepinTrialState(Params("kepin=3"), pin, Options(L"s.exe --kepin-state=2")), 2);
  EXPECT_EQ(GetKepinTrialState(Params("kepin=4"), pin, plain), 0);
  pin.ApplyBrandInfo(R"({"install": {"kepin_trial_state": "5"}})");
  EXPECT_EQ(GetKepinTrialState(Params("kepin=1"), pin, plain), 0);
}

TEST(SiteUrlsTest, DownloadPageLicenceAndSlides) {
  BrandInfo brand;
  brand.brand_id = "ua-uk";
  const std::string stem = KELMOR_SITE_STEM;
  EXPECT_EQ(BuildDownloadPageUrl(Params(""), brand),
            stem + ".ua/download?full=1&code=lite_install_failed");
  EXPECT_EQ(BuildDownloadPageUrl(Params("lang=tr&banerid=7&uid=9&partner_id=p%20q"), brand),
            stem + ".ua/download?banerid=7&lang=tr&partner_id=p%20q&full=1&code=lite_install_failed");
  for (const auto& [id, zone] : std::vector<std::pair<std::string, std::string>>{
           {"by", "by"}, {"int", "com"}, {"tb", "com.tr"}, {"ua", "ua"}, {"ua-ru", "ua"},
           {"ua_uk", "ru"}, {"kelmor", "ru"}, {"other", "ru"}})
    EXPECT_EQ(DomainZoneForBrand(id), zone) << id;

  brand.license_url = "https://legal/agreement/";
  brand.interface_language = "kk";
  EXPECT_EQ(BuildLicenseLinkUrl(brand), L"https://legal/agreement/?lang=kk");
  EXPECT_EQ(BuildSlideBaseUrl(brand),
            std::string(KELMOR_DOWNLOAD_HOST) + "/browser/installer/facetune/kk/");
  brand.facetune_enabled = false;
  EXPECT_EQ(BuildSlideBaseUrl(brand), std::string(KELMOR_DOWNLOAD_HOST) + "/browser/installer/kk/");
  brand.slide_url = "https://slides/";
  EXPECT_EQ(BuildSlideBaseUrl(brand), "https://slides/");
}

// Records instead of touching the registry, and points at a chosen file.
class FakeParams : public DistribInfoParams {
 public:
  explicit FakeParams(std::wstring exe) : exe_(std::move(exe)) {}
  void StoreParams(const std::string& raw) override { stored.push_back(raw); }
  std::wstring GetOwnExecutablePath() const override { return exe_; }
  std::vector<std::string> stored;

 private:
  std::wstring exe_;
};

class LoadParamsTest : public ::testing::Test {
 protected:
  void SetUp() override { base::DeleteFileIfExists(GetDistribInfoDumpPath()); }
  void TearDown() override { base::DeleteFileIfExists(GetDistribInfoDumpPath()); }
};

TEST_F(LoadParamsTest, CommandLineValueIsStoredParsedAndDumped) {
  FakeParams params(L"C:\\no\\such.exe");
  ASSERT_TRUE(params.LoadParams(CommandLine(L"i.exe \"--distr-info-params=b=2&a=1&c\"")));
  EXPECT_EQ(params.stored, std::vector<std::string>{"b=2&a=1&c"});
  EXPECT_EQ(params.distr_info_file, GetDistribInfoDumpPath());
  const std::string dump = base::ReadFileToString(GetDistribInfoDumpPath()).value_or("");
  EXPECT_EQ(dump, "{\n   \"a\": \"1\",\n   \"b\": \"2\",\n   \"c\": \"\"\n}\n");
  EXPECT_EQ(base::GetTempDir() + L"distrib_info", params.distr_info_file);
}

TEST_F(LoadParamsTest, NoSourceGivesAnEmptyMapAndNoDump) {
  testing_support::LogCapture log;
  FakeParams params(L"C:\\no\\such.exe");
  EXPECT_FALSE(params.LoadParams(CommandLine(L"i.exe --distr-info-params=")));
  EXPECT_TRUE(params.params.empty());
  EXPECT_TRUE(params.stored.empty());
  EXPECT_FALSE(base::PathExists(GetDistribInfoDumpPath()));
  // The tag of a missing file was looked for (and that failure logged).
  EXPECT_TRUE(log.HasPrefix("Can't open file C:\\no\\such.exe"));
}

TEST_F(LoadParamsTest, TagFromTheOwnFileAndValuesJsonCannotHold) {
  // A minimal image whose certificate table holds a tiny PKCS#7 stub and an
  // appended block with a byte that is not UTF-8.
  std::string image(512, '\0');
  image[0] = 'M', image[1] = 'Z', image[60] = '\x80';
  image.replace(128, 4, std::string("PE\0\0", 4));
  image[128 + 24] = 0x0B, image[128 + 25] = 0x01;
  image[128 + 152] = 0x00, image[128 + 153] = 0x02;  // table at 512
  image[128 + 156] = 32;                              // of 32 bytes
  std::string table(8, '\0');
  table += std::string("\x30\x82\x00\x04\0\0\0\0", 8);
  table += std::string("Kect\x00\x03" "a=\xFF", 9);
  table.resize(32, '\0');
  const std::wstring exe = base::MakeUniqueFileName(base::GetTempDir(), L"own", L".exe");
  ASSERT_TRUE(base::WriteStringToFile(exe, image + table));
  testing_support::LogCapture log;
  FakeParams params(exe);
  EXPECT_TRUE(params.LoadParams(CommandLine(L"i.exe")));
  base::DeleteFileIfExists(exe);
  EXPECT_EQ(params.stored, std::vector<std::string>{"a=\xFF"});
  EXPECT_EQ(params.Get("a"), "\xFF");
  EXPECT_TRUE(log.Has("Can't create json dump", "CreateJsonFromDistribParams"));
  EXPECT_EQ(params.distr_info_file, GetDistribInfoDumpPath());
  EXPECT_FALSE(base::PathExists(GetDistribInfoDumpPath()));
}

TEST_F(LoadParamsTest, RegistryValueHoldsTheRawString) {
  DistribInfoParams params;
  ASSERT_TRUE(params.LoadParams(CommandLine(L"i.exe --distr-info-params=k=v&lang=ru")));
  EXPECT_EQ(installer_util::ReadValue(L"DistribInfoParams"), L"k=v&lang=ru");
  installer_util::RemoveValue(L"DistribInfoParams");
}

class ExistingInstallationTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  static void Clean() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
      ::RegDeleteKeyExW(root, installer_util::kProductKey, KEY_WOW64_32KEY, 0);
    if (!app_.empty()) base::DeleteDirectoryRecursive(app_root_);
  }
  static void Set(HKEY root, const wchar_t* name, const std::wstring& value) {
    base::ScopedRegKey key;
    ASSERT_EQ(::RegCreateKeyExW(root, installer_util::kProductKey, 0, nullptr, 0,
                                KEY_WRITE | KEY_WOW64_32KEY, nullptr, key.receive(), nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  static std::wstring MakeApplication() {
    app_root_ = base::CreateUniqueTempDirectory(L"app");
    app_ = app_root_ + L"\\Application";
    base::CreateDirectories(app_ + L"\\23.11.3.935\\Installer");
    return app_ + L"\\23.11.3.935\\Installer\\setup.exe";
  }
  static inline std::wstring app_root_;
  static inline std::wstring app_;
};

TEST_F(ExistingInstallationTest, UserLevelFromVersionAndUninstallString) {
  testing_support::LogCapture log;
  EXPECT_EQ(GetExistingInstallationDirectory(false), L"");
  EXPECT_TRUE(log.Has("No existing Chrome user install found."));
  const std::wstring setup = MakeApplication();
  Set(HKEY_CURRENT_USER, L"pv", L"23.11.3.935");
  Set(HKEY_CURRENT_USER, L"UninstallString", setup);
  EXPECT_EQ(GetExistingInstallationDirectory(false), app_);
  EXPECT_TRUE(log.Has("Existing Chrome user version found: 23.11.3.935"));
  // "kpv" wins over "pv"; a version that does not parse is no installation.
  Set(HKEY_CURRENT_USER, L"kpv", L"24.1.0.1");
  EXPECT_EQ(GetExistingInstallationDirectory(false), app_);
  EXPECT_TRUE(log.Has("Existing Chrome user version found: 24.1.0.1"));
  Set(HKEY_CURRENT_USER, L"kpv", L"24.x");
  EXPECT_EQ(GetExistingInstallationDirectory(false), L"");
  Set(HKEY_CURRENT_USER, L"kpv", L"");
  // Relative paths and parent references are refused.
  Set(HKEY_CURRENT_USER, L"UninstallString", L"Application\\1\\Installer\\setup.exe");
  EXPECT_EQ(GetExistingInstallationDirectory(false), L"");
  Set(HKEY_CURRENT_USER, L"UninstallString", app_ + L"\\..\\Application\\1\\Installer\\setup.exe");
  EXPECT_EQ(GetExistingInstallationDirectory(false), L"");
  // A folder that does not exist.
  Set(HKEY_CURRENT_USER, L"UninstallString", L"C:\\nowhere\\app\\1\\Installer\\setup.exe");
  EXPECT_EQ(GetExistingInstallationDirectory(false), L"");
  EXPECT_FALSE(ExistingNonCorporateBrowserFound());
}

TEST_F(ExistingInstallationTest, CorporateChecks) {
  const std::wstring setup = MakeApplication();
  EXPECT_FALSE(IsCorporateInstallation());
  EXPECT_FALSE(ExistingNonCorporateBrowserFound());
  EXPECT_FALSE(IsCorporateEditionInstalled());
  EXPECT_NE(GetBrowserApplicationDirectory().find(L"Kelmor\\KelmorBrowser\\Application"),
            std::wstring::npos);

  Set(HKEY_LOCAL_MACHINE, L"pv", L"23.11.3.935");
  Set(HKEY_LOCAL_MACHINE, L"UninstallString", setup);
  EXPECT_EQ(GetBrowserApplicationDirectory(), app_);
  EXPECT_TRUE(ExistingNonCorporateBrowserFound());
  EXPECT_FALSE(IsCorporateEditionInstalled());
  for (const wchar_t* value : {L"True", L"true ", L"1"}) {
    Set(HKEY_LOCAL_MACHINE, L"corporate", value);
    EXPECT_FALSE(IsCorporateInstallation()) << value;
  }
  Set(HKEY_LOCAL_MACHINE, L"corporate", L"true");
  EXPECT_TRUE(IsCorporateInstallation());
  EXPECT_TRUE(IsCorporateEditionInstalled());
  EXPECT_FALSE(ExistingNonCorporateBrowserFound());
}

TEST(ParseDottedVersionTest, Forms) {
  EXPECT_EQ(ParseDottedVersion(L"1.2.3"), (std::vector<uint32_t>{1, 2, 3}));
  EXPECT_EQ(ParseDottedVersion(L"7"), (std::vector<uint32_t>{7}));
  EXPECT_EQ(ParseDottedVersion(L""), std::nullopt);
  EXPECT_EQ(ParseDottedVersion(L"1..2"), std::nullopt);
  EXPECT_EQ(ParseDottedVersion(L"1.2."), std::nullopt);
  EXPECT_EQ(ParseDottedVersion(L"1.-2"), std::nullopt);
  EXPECT_EQ(ParseDottedVersion(L"12345678901"), std::nullopt);
}

}  // namespace
}  // namespace lite_installer
