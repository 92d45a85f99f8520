// The remote configuration tasks without the network: seed and server-config
// URLs, the task switch table and its reserved names, the saved seed file,
// the built-in A/B-testing resource and setup's switches.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/base64.h"
#include "base/files.h"
#include "base/json.h"
#include "base/strings.h"
#include "build_config.h"
#include "installer/config/async_install_tasks.h"
#include "installer/config/brand_info.h"
#include "installer/config/distrib_info_params.h"
#include "installer/config/remote_config_urls.h"
#include "installer/config/installer_command_line.h"
#include "installer/controller/installer_events.h"
#include "log_capture.h"

namespace lite_installer {
namespace {

constexpr char kUid[] = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";

TEST(SeedUrlTest, AppendsTheParametersInOrderWithTheBracesOfTheUserIdRemoved) {
  EXPECT_EQ(BuildSeedUrlFor("https://api/content/get/experiments/browser.proto", "ru", "p12", kUid),
            "https://api/content/get/experiments/browser.proto?brand=ru&partner=p12"
            "&uid=0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0&version=23.11.3.935");
}

TEST(SeedUrlTest, AQueryInTheBaseUrlMakesEveryParameterStartWithAmpersand) {
  EXPECT_EQ(BuildSeedUrlFor("https://api/ab/get?x=1", "ru", "", ""),
            "https://api/ab/get?x=1&brand=ru&version=23.11.3.935");
}

TEST(SeedUrlTest, EmptyValuesAreLeftOutAndNothingIsEscaped) {
  EXPECT_EQ(BuildSeedUrlFor("http://h/s", "", "", ""), "http://h/s?version=23.11.3.935");
  EXPECT_EQ(BuildSeedUrlFor("http://h/s", "a b&c", "", ""), "http://h/s?brand=a b&c&version=23.11.3.935");
}

TEST(SeedUrlTest, BracesAreRemovedOnlyWhenTheIdHasBoth) {
  EXPECT_EQ(StripUserIdBraces("{abc}"), "abc");
  EXPECT_EQ(StripUserIdBraces("{abc"), "{abc");
  EXPECT_EQ(StripUserIdBraces("abc}"), "abc}");
  EXPECT_EQ(StripUserIdBraces("{}"), "");
  EXPECT_EQ(StripUserIdBraces("}"), "}");
  EXPECT_EQ(BuildSeedUrlFor("http://h/s", "", "", "{}"), "http://h/s?version=23.11.3.935");
}

TEST(ServerConfigUrlTest, QueryHoldsOnlyTheIdsThatAreSet) {
  EXPECT_EQ(BuildServerConfigUrl("https://api", "", ""), "https://api/configs/all_zip");
  EXPECT_EQ(BuildServerConfigUrl("https://api", "ru", ""), "https://api/configs/all_zip?brandID=ru");
  EXPECT_EQ(BuildServerConfigUrl("https://api", "", "p7"), "https://api/configs/all_zip?partnerID=p7");
  EXPECT_EQ(BuildServerConfigUrl("https://api", "ru", "p7"),
            "https://api/configs/all_zip?brandID=ru&partnerID=p7");
}

TEST(SeedFileTest, HoldsExactlyTheFourStringsWithTheBodyInBase64) {
  const std::string body("\x00\x01\xfe\xff seed", 9);
  std::string json;
  ASSERT_TRUE(FormatVariationsSeed(body, "c2ln", "Mon, 06 Nov 2023 10:00:00 GMT", "", &json));
  const auto value = base::ReadJson(json, base::kJsonStrict);
  ASSERT_TRUE(value && value->is_dict()) << json;
  ASSERT_EQ(value->GetDict().size(), 4u);
  EXPECT_EQ(*value->FindStringPath("variations_seed_base64"), "AAH+/yBzZWVk");
  EXPECT_EQ(base::Base64Decode(*value->FindStringPath("variations_seed_base64")).value_or(""), body);
  EXPECT_EQ(*value->FindStringPath("variations_seed_signature"), "c2ln");
  EXPECT_EQ(*value->FindStringPath("variations_last_modified_time"), "Mon, 06 Nov 2023 10:00:00 GMT");
  EXPECT_EQ(*value->FindStringPath("variations_country"), "");
  // Pretty printed: one member a line.
  EXPECT_NE(json.find("\n   \"variations_country\": \"\""), std::string::npos) << json;
}

TEST(SeedFileTest, BodyLengthsOfEveryPaddingAreEncodedInTheStandardAlphabet) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""}, {"a", "YQ=="}, {"ab", "YWI="}, {"abc", "YWJj"}, {"abcd", "YWJjZA=="},
      {"\xfb\xff\xbf", "+/+/"}};
  for (const auto& [body, encoded] : cases) {
    std::string json;
    ASSERT_TRUE(FormatVariationsSeed(body, "s", "", "", &json));
    const auto value = base::ReadJson(json, base::kJsonStrict);
    EXPECT_EQ(*value->FindStringPath("variations_seed_base64"), encoded);
  }
}

TEST(SeedFileTest, HeaderThatIsNotUtf8IsNotWritten) {
  std::string json;
  EXPECT_FALSE(FormatVariationsSeed("body", "bad\xff", "", "", &json));
}

TEST(SeedFileTest, SaveVariationsReplacesTheFileAndReportsAnUnwritablePath) {
  const std::wstring dir = base::CreateUniqueTempDirectory(L"seed");
  const std::wstring path = base::PathJoin(dir, L"seed.json");
  ASSERT_TRUE(base::WriteStringToFile(path, std::string(5000, 'x')));
  ASSERT_TRUE(SaveVariations(path, "body", "sig", "lm", "ru"));
  const auto text = base::ReadFileToString(path);
  ASSERT_TRUE(text);
  const auto value = base::ReadJson(*text, base::kJsonStrict);
  ASSERT_TRUE(value) << *text;
  EXPECT_EQ(*value->FindStringPath("variations_country"), "ru");

  testing_support::LogCapture log;
  const std::wstring missing = base::PathJoin(dir, L"no\\such\\dir\\seed.json");
  EXPECT_FALSE(SaveVariations(missing, "body", "sig", "", ""));
  EXPECT_TRUE(log.Has("Failed to save downloaded variations update to " + base::WideToUtf8(missing),
                      "SaveVariations"))
      << log.Dump();
  base::DeleteDirectoryRecursive(dir);
}

TEST(BuiltInSeedTest, AbtConfigResourceHasTheFourKeysOfASavedSeed) {
  HRSRC info = ::FindResourceW(nullptr, L"ABT_CONFIG", L"BIN");
  ASSERT_NE(info, nullptr);
  HGLOBAL data = ::LoadResource(nullptr, info);
  const char* bytes = static_cast<const char*>(::LockResource(data));
  ASSERT_NE(bytes, nullptr);
  const std::string text(bytes, ::SizeofResource(nullptr, info));
  const auto value = base::ReadJson(text, base::kJsonStrict);
  ASSERT_TRUE(value && value->is_dict()) << text;
  ASSERT_EQ(value->GetDict().size(), 4u);
  for (const char* key : {"variations_seed_base64", "variations_seed_signature",
                          "variations_last_modified_time", "variations_country"}) {
    const std::string* member = value->FindStringPath(key);
    ASSERT_NE(member, nullptr) << key;
  }
  const std::string& seed = *value->FindStringPath("variations_seed_base64");
  EXPECT_FALSE(seed.empty());
  EXPECT_EQ(seed.size() % 4, 0u);
  EXPECT_FALSE(base::Base64Decode(seed).value_or("").empty());
  EXPECT_FALSE(value->FindStringPath("variations_seed_signature")->empty());
}

class TaskTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    brand_.ApplyBrandDefaults();
    brand_.brand_id = "ru";
    brand_.partner_id = "p1";
  }

  // Queued but never started: the table and the names only.
  std::unique_ptr<AsyncInstallTasks> Prepare(const char* params) {
    params_.SetParamsForTesting(params);
    return std::make_unique<AsyncInstallTasks>(brand_, params_, false);
  }

  static bool InTempDir(const std::wstring& path) {
    return !path.empty() && base::EqualsCaseInsensitiveAscii(base::DirName(path) + L"\\",
                                                              base::GetTempDir());
  }

  BrandInfo brand_;
  DistribInfoParams params_;
};

TEST_F(TaskTableTest, NoParametersQueueBothSeedsAndNothingElse) {
  auto tasks = Prepare("");
  EXPECT_EQ(tasks->task_count(), 2u);
  EXPECT_TRUE(InTempDir(tasks->variations_path)) << tasks->variations_path;
  EXPECT_TRUE(InTempDir(tasks->abt_path));
  EXPECT_NE(tasks->variations_path, tasks->abt_path);
  EXPECT_EQ(tasks->webntp_path, L"");
  EXPECT_EQ(tasks->server_config_path, L"");
  EXPECT_EQ(tasks->wallpapers_path, L"");
  // Reserved names: the files themselves are gone again.
  EXPECT_FALSE(base::PathExists(tasks->variations_path));
  EXPECT_FALSE(base::PathExists(tasks->abt_path));
  EXPECT_FALSE(tasks->thread_started());
}

TEST_F(TaskTableTest, OnlyTheValueOneSwitchesTheOneRulesOn) {
  auto tasks = Prepare("vup=0&abtup=2&webntp=true&scup=01");
  EXPECT_EQ(tasks->task_count(), 0u);
  EXPECT_EQ(tasks->variations_path, L"");
  EXPECT_EQ(tasks->abt_path, L"");
  EXPECT_EQ(tasks->webntp_path, L"");
  EXPECT_EQ(tasks->server_config_path, L"");
}

TEST_F(TaskTableTest, WebntpOnlyReservesItsName) {
  auto tasks = Prepare("vup=0&abtup=0&webntp=1");
  EXPECT_EQ(tasks->task_count(), 0u);
  EXPECT_TRUE(InTempDir(tasks->webntp_path));
}

TEST_F(TaskTableTest, ServerConfigAndWallpapersAreQueuedAfterTheSeeds) {
  brand_.preloaded_wallpapers_url = "http://h/wallpapers/";
  auto tasks = Prepare("scup=1&pwexp=set-7");
  EXPECT_EQ(tasks->task_count(), 4u);
  EXPECT_TRUE(InTempDir(tasks->server_config_path));
  EXPECT_TRUE(InTempDir(tasks->wallpapers_path));
}

TEST_F(TaskTableTest, WallpaperNameWithoutAWallpaperUrlIsReservedButNotFilled) {
  brand_.preloaded_wallpapers_url.clear();
  auto tasks = Prepare("vup=0&abtup=0&pwexp=x");
  EXPECT_TRUE(InTempDir(tasks->wallpapers_path));
  EXPECT_EQ(tasks->task_count(), 0u);
}

TEST_F(TaskTableTest, AnEmptyPwexpReservesNothing) {
  brand_.preloaded_wallpapers_url = "http://h/wallpapers/";
  auto tasks = Prepare("vup=0&abtup=0&pwexp=");
  EXPECT_EQ(tasks->wallpapers_path, L"");
  EXPECT_EQ(tasks->task_count(), 0u);
}

TEST_F(TaskTableTest, DestructionDeletesTheSeedAndConfigFilesButLeavesSetupItsOthers) {
  brand_.preloaded_wallpapers_url = "http://h/wallpapers/";
  auto tasks = Prepare("scup=1&pwexp=a&webntp=1");
  const std::wstring paths[] = {tasks->variations_path, tasks->abt_path, tasks->server_config_path,
                                tasks->wallpapers_path, tasks->webntp_path};
  for (const auto& path : paths) ASSERT_TRUE(base::WriteStringToFile(path, "x"));
  tasks.reset();
  EXPECT_FALSE(base::PathExists(paths[0]));
  EXPECT_FALSE(base::PathExists(paths[1]));
  EXPECT_FALSE(base::PathExists(paths[2]));
  EXPECT_TRUE(base::PathExists(paths[3]));
  EXPECT_TRUE(base::PathExists(paths[4]));
  base::DeleteFileIfExists(paths[3]);
  base::DeleteFileIfExists(paths[4]);
}

TEST_F(TaskTableTest, SetupGetsASwitchForEveryReservedName) {
  brand_.preloaded_wallpapers_url.clear();
  auto tasks = Prepare("vup=0&scup=1&pwexp=a");
  InstallerCommandLine line;
  AppendRemoteConfigurationSwitches(tasks.get(), &line);
  EXPECT_FALSE(line.HasSwitch("variations-update-path"));
  EXPECT_EQ(line.GetSwitchValue("abt-update-path"), tasks->abt_path);
  EXPECT_FALSE(line.HasSwitch("webntp-path"));
  EXPECT_EQ(line.GetSwitchValue("server-config-bundle-path"), tasks->server_config_path);
  EXPECT_EQ(line.GetSwitchValue("preloaded-wallpaper-bundle-path"), tasks->wallpapers_path);
}

TEST(StartRemoteConfigurationTasksTest, WithoutRecordsThereAreNoTasks) {
  EXPECT_EQ(StartRemoteConfigurationTasks(nullptr, nullptr), nullptr);
  InstallerCommandLine line;
  AppendRemoteConfigurationSwitches(nullptr, &line);
  EXPECT_TRUE(line.switches().empty());
}

}  // namespace
}  // namespace lite_installer
