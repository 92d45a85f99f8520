// The default-browser interface check: status numbers, the version rules,
// and a real child copy of the installer made to misbehave through a test
// hook (KELMOR_TEST_INTERFACE_CHILD, inherited by the child).
#include <gtest/gtest.h>

#include "base/files.h"
#include "installer/util/application_association_registration_internal.h"
#include "tests/unit/log_capture.h"

namespace installer {
namespace win10_default_browser {
namespace {

constexpr uint32_t kUntouched = 12345;

TEST(CheckStatusTest, CodeBuildAndRevision) {
  EXPECT_EQ(ComposeCheckStatus(2, 19045, 3803), 2190453803u);
  EXPECT_EQ(ComposeCheckStatus(0, 17134, 318), 171340318u);
  // Builds from 29497 and revisions from 7296 are left out.
  EXPECT_EQ(ComposeCheckStatus(3, 29497, 5), 3000000005u);
  EXPECT_EQ(ComposeCheckStatus(1, 17763, 7296), 1177630000u);
  // The largest number that still fits.
  EXPECT_EQ(ComposeCheckStatus(4, 29496, 7295), 4294967295u);
}

bool g_check_called = false;
bool CheckSaysYes(uint32_t* status) {
  g_check_called = true;
  *status = 7;
  return true;
}

TEST(CanMakeBrowserDefaultTest, WindowsVersionRules) {
  uint32_t status = 0;
  g_check_called = false;
  EXPECT_TRUE(CanMakeBrowserDefault(6, 1, &CheckSaysYes, &status));  // Windows 7
  EXPECT_TRUE(CanMakeBrowserDefault(5, 1, &CheckSaysYes, &status));  // XP
  EXPECT_FALSE(CanMakeBrowserDefault(6, 2, &CheckSaysYes, &status));  // 8
  EXPECT_FALSE(CanMakeBrowserDefault(6, 3, &CheckSaysYes, &status));  // 8.1
  EXPECT_FALSE(g_check_called);
  EXPECT_EQ(status, 0u);
  EXPECT_TRUE(CanMakeBrowserDefault(10, 0, &CheckSaysYes, &status));
  EXPECT_TRUE(g_check_called);
  EXPECT_EQ(status, 7u);
}

SafeCheckInputs Windows10(uint32_t build, uint32_t revision) {
  SafeCheckInputs inputs;
  inputs.major = 10;
  inputs.build = build;
  inputs.revision = revision;
  inputs.program = base::PathJoin(base::DirName(base::GetModulePath()), L"lite_installer.exe");
  return inputs;
}

TEST(SafeCheckTest, BeforeWindows10IsNoAndLeavesTheStatus) {
  SafeCheckInputs inputs = Windows10(9600, 0);
  inputs.major = 6;
  uint32_t status = kUntouched;
  EXPECT_FALSE(IsInternalInterfaceAvailableSafeCheck(inputs, &status));
  EXPECT_EQ(status, kUntouched);
}

TEST(SafeCheckTest, RecentBuildsNeedNoChild) {
  uint32_t status = kUntouched;
  SafeCheckInputs inputs = Windows10(17763, 1);
  inputs.program.clear();  // a child could not even be started
  EXPECT_TRUE(IsInternalInterfaceAvailableSafeCheck(inputs, &status));
  EXPECT_EQ(status, 177630001u);
  inputs = Windows10(17134, 319);
  inputs.program.clear();
  EXPECT_TRUE(IsInternalInterfaceAvailableSafeCheck(inputs, &status));
  EXPECT_EQ(status, 171340319u);
}

TEST(SafeCheckTest, Build17134Revision318AsksTheChild) {
  testing_support::LogCapture log;
  SafeCheckInputs inputs = Windows10(17134, 318);
  inputs.program = L"C:\\nowhere\\lite_installer.exe";
  uint32_t status = kUntouched;
  EXPECT_FALSE(IsInternalInterfaceAvailableSafeCheck(inputs, &status));
  EXPECT_EQ(status, 4171340318u);
  EXPECT_TRUE(log.Has("Failed to check Win10 internal interface availability: can't get "
                      "installer exe path.",
                      "IsInternalInterfaceAvailableSafeCheck"))
      << log.Dump();
}

class ChildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!base::FileExists(Windows10(0, 0).program)) GTEST_SKIP() << "no lite_installer.exe beside";
  }
  void TearDown() override { ::SetEnvironmentVariableW(L"KELMOR_TEST_INTERFACE_CHILD", nullptr); }
  // Children that answer get time enough on a loaded machine; the hanging
  // one meets the real limit.
  bool Check(const wchar_t* behaviour, uint32_t* status, uint32_t timeout_ms = 60000) {
    ::SetEnvironmentVariableW(L"KELMOR_TEST_INTERFACE_CHILD", behaviour);
    SafeCheckInputs inputs = Windows10(15063, 2);
    inputs.timeout_ms = timeout_ms;
    return IsInternalInterfaceAvailableSafeCheck(inputs, status);
  }
  testing_support::LogCapture log_;
};

TEST_F(ChildTest, ChildThatAnswers701IsNoWithStatus2) {
  uint32_t status = 0;
  EXPECT_FALSE(Check(L"701", &status));
  EXPECT_EQ(status, 2150630002u);
  EXPECT_TRUE(log_.Has("Successfuly checked Win10 internal interface availability: "
                       "availability: 0",
                       "IsInternalInterfaceAvailableSafeCheck"))
      << log_.Dump();
}

TEST_F(ChildTest, ChildThatAnswers700IsYes) {
  uint32_t status = 0;
  EXPECT_TRUE(Check(L"700", &status));
  EXPECT_EQ(status, 2150630002u);
  EXPECT_TRUE(log_.Contains("availability: 1"));
}

TEST_F(ChildTest, CrashingChildIsStatus1) {
  uint32_t status = 0;
  EXPECT_FALSE(Check(L"crash", &status));
  EXPECT_EQ(status, 1150630002u);
  EXPECT_TRUE(log_.Has("Failed to check Win10 internal interface availability, ret code: "
                       "-1073741819, installer crashed"))
      << log_.Dump();
}

TEST_F(ChildTest, HangingChildIsEndedWithStatus3) {
  uint32_t status = 0;
  EXPECT_EQ(SafeCheckInputs().timeout_ms, 3000u);
  EXPECT_FALSE(Check(L"hang", &status, SafeCheckInputs().timeout_ms));
  EXPECT_EQ(status, 3150630002u);
  EXPECT_TRUE(log_.Has("Failed to check Win10 internal interface availability,  installer "
                       "was terminated by timeout."))
      << log_.Dump();
}

TEST_F(ChildTest, UnknownExitCodeIsStatus4) {
  uint32_t status = 0;
  EXPECT_FALSE(Check(L"exit=5", &status));
  EXPECT_EQ(status, 4150630002u);
  EXPECT_TRUE(log_.Has("Failed to check Win10 internal interface availability, unknown ret code: 5"));
}

TEST_F(ChildTest, RealProbeUnderThisSystemAnswers) {
  // Without a hook the child runs the real probe; whatever the system, the
  // answer is one of the two codes.
  uint32_t status = 0;
  Check(nullptr, &status);
  EXPECT_EQ(status / 1000000000u, 2u);
}

}  // namespace
}  // namespace win10_default_browser
}  // namespace installer
