#include <gtest/gtest.h>

#include <windows.h>

#include "base/files.h"
#include "base/seh_guard.h"
#include "base/strings.h"
#include "installer/util/file_version.h"
#include "installer/util/registry.h"
#include "tests/unit/log_capture.h"

namespace {

using testing_support::LogCapture;

TEST(Registry, StoreReadRemoveAreLoggedOneLineEach) {
  const std::wstring name = L"unittest_value";
  installer_util::RemoveValue(name);
  LogCapture log;
  installer_util::StoreValue(name, L"C:\\some path");
  EXPECT_EQ(installer_util::ReadValue(name), L"C:\\some path");
  EXPECT_TRUE(installer_util::RemoveValue(name));
  EXPECT_EQ(installer_util::ReadValue(name), L"");
  EXPECT_FALSE(installer_util::RemoveValue(name));
  const std::string where = " HKEY_CURRENT_USER\\Software\\Kelmor\\KelmorBrowser\\unittest_value";
  EXPECT_TRUE(log.Has("Stored" + where + " = C:\\some path", "StoreValueInRegistry")) << log.Dump();
  EXPECT_TRUE(log.Has("Read" + where + " which is \"C:\\some path\"", "ReadValueFromRegistry"));
  EXPECT_TRUE(log.Has("Removed" + where, "RemoveValueFromRegistry"));
  EXPECT_TRUE(log.Has("No value to read:" + where, "ReadValueFromRegistry"));
  EXPECT_TRUE(log.Has("No value to remove:" + where, "RemoveValueFromRegistry"));
  EXPECT_EQ(log.records().size(), 5u) << log.Dump();
}

TEST(Registry, ValuesLandInThe32BitView) {
  installer_util::StoreValue(L"unittest_view", L"x");
  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Kelmor\\KelmorBrowser", 0,
                            KEY_READ | KEY_WOW64_32KEY, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(::RegQueryValueExW(key, L"unittest_view", nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  ::RegCloseKey(key);
  installer_util::RemoveValue(L"unittest_view");
}

TEST(FileVersion, ReadsTheVersionResource) {
  uint32_t high = 0, low = 0;
  LogCapture log;
  ASSERT_TRUE(installer_util::GetFileVersion(base::GetModulePath(), &high, &low));
  EXPECT_EQ(high, (23u << 16) | 11u);
  EXPECT_EQ(low, (3u << 16) | 935u);
  EXPECT_EQ(installer_util::GetFileVersionString(base::GetModulePath()), "23.11.3.935");
  EXPECT_TRUE(log.HasPrefix("File: ")) << log.Dump();
}

TEST(FileVersion, NoVersionResourceGivesZeros) {
  const std::wstring dir = base::CreateUniqueTempDirectory(L"ver");
  const std::wstring plain = base::PathJoin(dir, L"plain.txt");
  ASSERT_TRUE(base::WriteStringToFile(plain, "no resources here"));
  uint32_t high = 7, low = 7;
  EXPECT_FALSE(installer_util::GetFileVersion(plain, &high, &low));
  EXPECT_EQ(installer_util::GetFileVersionString(plain), "0.0.0.0");
  FILETIME created, accessed, written;
  EXPECT_TRUE(installer_util::GetFileTimes(plain, &created, &accessed, &written));
  EXPECT_FALSE(installer_util::GetFileTimes(plain + L"x", &created, &accessed, &written));
  base::DeleteDirectoryRecursive(dir);
}

class DiskSpaceTest : public ::testing::Test {
 protected:
  void TearDown() override { ::SetEnvironmentVariableW(L"KELMOR_TEST_FREE_DISK_BYTES", nullptr); }
  bool WithFree(const wchar_t* bytes) {
    ::SetEnvironmentVariableW(L"KELMOR_TEST_FREE_DISK_BYTES", bytes);
    return installer_util::HasEnoughDiskSpace(false, installer_util::kRequiredDiskSpace);
  }
};

TEST_F(DiskSpaceTest, LimitIsInclusiveAndSixtyFourBitWide) {
  EXPECT_TRUE(WithFree(L"629145600"));
  EXPECT_FALSE(WithFree(L"629145599"));
  // 4 GiB + 1000: the low 32 bits alone would be too little.
  EXPECT_TRUE(WithFree(L"4294968296"));
  LogCapture log;
  EXPECT_FALSE(WithFree(L"0"));
  EXPECT_TRUE(log.Has("There is not enough disk space to install browser", "HasEnoughDiskSpace"));
}

TEST(DiskSpace, RealMeasurementOfThisMachine) {
  EXPECT_TRUE(installer_util::HasEnoughDiskSpace(true, 1));
}

// Guarded calls: every kind of structured exception comes back as a result.
int g_zero = 0;

TEST(SehGuard, NormalReturn) {
  int calls = 0;
  base::SehFailure failure;
  EXPECT_TRUE(base::RunWithSehGuard([&] { ++calls; }, &failure));
  EXPECT_EQ(calls, 1);
}

TEST(SehGuard, AccessViolation) {
  base::SehFailure failure;
  EXPECT_FALSE(base::RunWithSehGuard([] { *static_cast<volatile int*>(nullptr) = 1; }, &failure));
  EXPECT_EQ(failure.code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
}

TEST(SehGuard, RaisedDelayLoadCode) {
  base::SehFailure failure;
  EXPECT_FALSE(base::RunWithSehGuard(
      [] {
        ULONG_PTR info = 0x1234;
        ::RaiseException(0xC06D007E, 0, 1, &info);
      },
      &failure));
  EXPECT_EQ(failure.code, 0xC06D007Eu);
  EXPECT_EQ(failure.parameter, 0x1234u);
}

TEST(SehGuard, DivideByZeroAndRepeatedUse) {
  for (int i = 0; i < 3; ++i) {
    base::SehFailure failure;
    volatile int result = 0;
    EXPECT_FALSE(base::RunWithSehGuard([&] { result = 10 / *static_cast<volatile int*>(&g_zero); },
                                       &failure));
    EXPECT_EQ(failure.code, static_cast<DWORD>(EXCEPTION_INT_DIVIDE_BY_ZERO));
  }
  // The guard is gone afterwards: a normal call still works.
  EXPECT_TRUE(base::RunWithSehGuard([] {}, nullptr));
}

TEST(SehGuard, NestedGuardsCatchInnermostFirst) {
  base::SehFailure outer_failure;
  bool inner_result = true;
  const bool outer = base::RunWithSehGuard(
      [&] {
        base::SehFailure inner_failure;
        inner_result = base::RunWithSehGuard(
            [] { *static_cast<volatile int*>(nullptr) = 1; }, &inner_failure);
      },
      &outer_failure);
  EXPECT_TRUE(outer);
  EXPECT_FALSE(inner_result);
}

TEST(Strings, Utf8RoundTripAndMalformedInput) {
  const std::wstring text = L"Kelmor \u00A0\u0411\u0440\u0430\u0443\u0437\u0435\u0440 \U0001F600";
  EXPECT_EQ(base::Utf8ToWide(base::WideToUtf8(text)), text);
  EXPECT_EQ(base::Utf8ToWide("\xC3\x28"), L"\uFFFD(");
  EXPECT_EQ(base::Utf8ToWide("\xF0\x9F"), L"\uFFFD");
  EXPECT_EQ(base::WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
}

TEST(Strings, HexDigitsBothWays) {
  const std::string bytes("\x00\x7f\xab\xff", 4);
  EXPECT_EQ(base::HexEncodeLower(bytes.data(), bytes.size()), "007fabff");
  std::string upper;
  base::AppendHexByte(upper, 0xab, /*upper_case=*/true);
  EXPECT_EQ(upper, "AB");
  EXPECT_EQ(base::HexDigit(15), 'f');
  EXPECT_EQ(base::HexDigitValue('F'), 15);
  EXPECT_EQ(base::HexDigitValue('g'), -1);
  EXPECT_EQ(base::HexDecode("007FabfF"), bytes);
  EXPECT_EQ(base::HexDecode(""), std::string());
  EXPECT_FALSE(base::HexDecode("abc"));  // odd length
  EXPECT_FALSE(base::HexDecode("0x"));
}

TEST(Strings, StrictNumbers) {
  EXPECT_EQ(base::ParseInt64(std::string_view("-42")), -42);
  EXPECT_FALSE(base::ParseInt64(std::string_view("12ab")));
  EXPECT_FALSE(base::ParseInt64(std::string_view("")));
  EXPECT_FALSE(base::ParseUint32(std::string_view("-1")));
  EXPECT_FALSE(base::ParseUint32(std::string_view("4294967296")));
  EXPECT_EQ(base::ParseUint32(std::string_view("4294967295")), 4294967295u);
}

}  // namespace
