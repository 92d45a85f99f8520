#include <gtest/gtest.h>

#include "base/files.h"
#include "installer/config/installer_command_line.h"
#include "installer/setup/delayed_params.h"
#include "installer/controller/download_plan.h"
#include "tests/unit/log_capture.h"

namespace lite_installer {
namespace {

TEST(DownloadPlan, BudgetAndUrlOrder) {
  EXPECT_EQ(DownloadAttemptBudget(1), 6u);
  EXPECT_EQ(DownloadAttemptBudget(2), 6u);
  EXPECT_EQ(DownloadAttemptBudget(3), 9u);
  // A lone URL gets all six attempts; three URLs get three each, in order.
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(UrlIndexForAttempt(i, 1), 0u);
  const size_t expected[] = {0, 0, 0, 1, 1, 1, 2, 2, 2};
  for (size_t i = 0; i < 9; ++i) EXPECT_EQ(UrlIndexForAttempt(i, 3), expected[i]) << i;
}

TEST(DownloadPlan, TenPercentRule) {
  EXPECT_TRUE(ShouldRestartFromZero(5, 100));
  EXPECT_TRUE(ShouldRestartFromZero(9, 100));
  EXPECT_FALSE(ShouldRestartFromZero(10, 100));
  EXPECT_FALSE(ShouldRestartFromZero(50, 100));
  EXPECT_FALSE(ShouldRestartFromZero(0, 0));  // unknown length: keep what came
  // 10 percent of a large archive does not overflow.
  EXPECT_TRUE(ShouldRestartFromZero(400000000, 4294967295ull));
}

DelayedParamValues SampleValues() {
  DelayedParamValues v;
  v.browser_arc_path = L"C:\\Temp\\kb1.tmp";
  v.clids_file_path = L"C:\\Temp\\clids.xml";
  v.kelmor_website_icon_file_path = L"";
  v.installer_data_path = L"C:\\Temp\\master_preferences";
  v.brand_package_path = L"C:\\Temp\\brand";
  v.partner_package_path = L"";
  v.partner_package_override_path = L"";
  v.histogram_download_time = L"7";
  v.histogram_full_time = L"123456789";
  v.send_statistics = true;
  v.make_default = false;
  v.install_kepin = false;
  return v;
}

TEST(DelayedParams, WriteThenApplyToSetupCommandLine) {
  ASSERT_TRUE(WriteDelayedParams(SampleValues()));
  const DelayedParams& raw = SharedDelayedParams();
  EXPECT_EQ(raw.send_statistics, 1);
  EXPECT_EQ(raw.install_kepin, 0);
  EXPECT_EQ(raw.browser_arc_path[0], u'C');

  InstallerCommandLine line(
      L"fake_browser_arc --make-browser-default-after-import --progress-window=77");
  ApplyDelayedParams(&line);
  EXPECT_EQ(line.program(), L"C:\\Temp\\kb1.tmp");
  EXPECT_EQ(line.GetSwitchValue("installerdata"), L"C:\\Temp\\master_preferences");
  EXPECT_EQ(line.GetSwitchValue("clids-file"), L"C:\\Temp\\clids.xml");
  EXPECT_FALSE(line.HasSwitch("kelmor-website-icon-file"));
  EXPECT_EQ(line.GetSwitchValue("brand-package"), L"C:\\Temp\\brand");
  EXPECT_FALSE(line.HasSwitch("partner-package"));
  EXPECT_FALSE(line.HasSwitch("override-partner-package"));
  EXPECT_EQ(line.GetSwitchValue("install-start-time-no-uac"), L"123456789");
  EXPECT_TRUE(line.HasSwitch("send-statistics"));
  EXPECT_FALSE(line.HasSwitch("make-browser-default-after-import"));
  EXPECT_TRUE(line.HasSwitch("disablekepin"));
  EXPECT_EQ(line.GetSwitchValue("histogram-download-time"), L"7");
  EXPECT_EQ(line.GetSwitchValue("progress-window"), L"77");
}

TEST(DelayedParams, IconOnlyWhenItsFileHasContent) {
  const std::wstring dir = base::CreateUniqueTempDirectory(L"icon");
  const std::wstring icon = base::PathJoin(dir, L"website.ico");
  DelayedParamValues v = SampleValues();
  v.kelmor_website_icon_file_path = icon;
  ASSERT_TRUE(base::WriteStringToFile(icon, ""));
  ASSERT_TRUE(WriteDelayedParams(v));
  InstallerCommandLine empty_icon(L"x");
  ApplyDelayedParams(&empty_icon);
  EXPECT_FALSE(empty_icon.HasSwitch("kelmor-website-icon-file"));

  ASSERT_TRUE(base::WriteStringToFile(icon, "ICO"));
  InstallerCommandLine with_icon(L"x");
  ApplyDelayedParams(&with_icon);
  EXPECT_EQ(with_icon.GetSwitchValue("kelmor-website-icon-file"), icon);
  base::DeleteDirectoryRecursive(dir);
}

TEST(DelayedParams, OverlongPathWritesNothingAndLogsEveryField) {
  ASSERT_TRUE(WriteDelayedParams(SampleValues()));
  DelayedParamValues v = SampleValues();
  v.browser_arc_path = std::wstring(261, L'a');
  testing_support::LogCapture log;
  EXPECT_FALSE(WriteDelayedParams(v));
  ASSERT_EQ(log.records().size(), 1u);
  const std::string& text = log.records()[0].text;
  EXPECT_EQ(text.rfind("Too large string length, browser_arc_path=" + std::string(261, 'a') +
                           " clids_file_path=C:\\Temp\\clids.xml kelmor_website_icon_file_path= "
                           "installer_data_path=C:\\Temp\\master_preferences "
                           "brand_package_path=C:\\Temp\\brand partner_package_path= "
                           "partner_package_override_path= histogram_download_time=7 "
                           "histogram_full_time=123456789 send_statistics=1 make_default=0 "
                           "install_kepin=0 - ",
                       0),
            0u)
      << text;
  // The earlier block is untouched.
  EXPECT_EQ(ReadDelayedParams().browser_arc_path, L"C:\\Temp\\kb1.tmp");

  v.browser_arc_path = std::wstring(260, L'a');
  EXPECT_TRUE(WriteDelayedParams(v));
  v.histogram_full_time = std::wstring(33, L'1');
  EXPECT_FALSE(WriteDelayedParams(v));
}

TEST(DelayedParams, ErrorKindTravelsInTheBlock) {
  SetSharedErrorKind(0);
  EXPECT_EQ(GetSharedErrorKind(), 0);
  SetSharedErrorKind(6);
  EXPECT_EQ(SharedDelayedParams().error_kind, 6);
  SetSharedErrorKind(0);
}

}  // namespace
}  // namespace lite_installer
