// The installer window's arithmetic: the percent it shows for download,
// setup stages and import, the progress text, and which percent is shown.
#include <gtest/gtest.h>

#include "installer/ui/window/lite_main_window.h"
#include "installer/ui/window/progress_model.h"

namespace lite_installer {
namespace {

TEST(WindowProgress, DownloadFillsFiveToFortyPercent) {
  EXPECT_EQ(DownloadPercent(0.0f), 5);
  EXPECT_EQ(DownloadPercent(0.5f), 22);  // 20 + 2.5
  EXPECT_EQ(DownloadPercent(1.0f), 40);
  EXPECT_EQ(DownloadPercent(0.99f), 39);
}

TEST(WindowProgress, SetupStagesAndImportMapToTheirPercents) {
  EXPECT_EQ(InstallStagePercent(5), 75);
  EXPECT_EQ(InstallStagePercent(7), 79);
  EXPECT_EQ(InstallStagePercent(6), 0);
  EXPECT_EQ(InstallStagePercent(0), 0);
  EXPECT_EQ(ImportPercent(0), 80);
  EXPECT_EQ(ImportPercent(50), 90);
  EXPECT_EQ(ImportPercent(100), 100);
  EXPECT_EQ(ImportPercent(33), 86);
}

TEST(WindowProgress, TextIsThePercentWithThePhaseInTheRedesignedLook) {
  EXPECT_EQ(ProgressText(42, nullptr), L"42%");
  ProgressPhaseLabels labels{L"Downloading...", L"Installing...", L"Almost done..."};
  EXPECT_EQ(ProgressText(40, &labels), L"Downloading...40%");
  EXPECT_EQ(ProgressText(41, &labels), L"Installing...41%");
  EXPECT_EQ(ProgressText(55, &labels), L"Installing...55%");
  EXPECT_EQ(ProgressText(90, &labels), L"Installing...90%");
  EXPECT_EQ(ProgressText(91, &labels), L"Almost done...91%");
}

TEST(WindowProgress, NothingBeforeTheProgressScreenAndNoRepeats) {
  ProgressState state;
  EXPECT_FALSE(state.Accept(20));  // still on the first screen
  state.Activate();
  EXPECT_FALSE(state.Accept(0));   // the bar opens at 0
  EXPECT_TRUE(state.Accept(40));
  EXPECT_FALSE(state.Accept(40));
  EXPECT_TRUE(state.Accept(75));
  EXPECT_EQ(state.shown(), 75);
}

TEST(WindowKeyboard, ArrowsMoveBetweenInstallAndTheLicenceLinkOnly) {
  EXPECT_EQ(ArrowFocusTarget(kIdInstall, VK_LEFT), kIdLicenceLink);
  EXPECT_EQ(ArrowFocusTarget(kIdInstall, VK_UP), kIdLicenceLink);
  EXPECT_EQ(ArrowFocusTarget(kIdInstall, VK_RIGHT), 0);
  EXPECT_EQ(ArrowFocusTarget(kIdLicenceLink, VK_RIGHT), kIdInstall);
  EXPECT_EQ(ArrowFocusTarget(kIdLicenceLink, VK_DOWN), kIdInstall);
  EXPECT_EQ(ArrowFocusTarget(kIdLicenceLink, VK_LEFT), 0);
  EXPECT_EQ(ArrowFocusTarget(kIdStatCheckbox, VK_LEFT), 0);
}

}  // namespace
}  // namespace lite_installer
