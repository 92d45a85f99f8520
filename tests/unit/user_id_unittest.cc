#include <gtest/gtest.h>

#include <windows.h>

#include "base/files.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "installer/util/user_id.h"
#include "tests/unit/log_capture.h"

namespace lite_installer {
namespace {

std::wstring MarkerName() {
  wchar_t user[258];
  DWORD size = 258;
  ::GetUserNameW(user, &size);
  return std::wstring(L"UICreated_") + user;
}

void ClearUserId() {
  base::DeleteFileIfExists(GetUserIdFilePath(false));
  for (const wchar_t* key : {L"Software\\Kelmor", L"Software\\AppDataLow\\Kelmor"}) {
    base::ScopedRegKey k;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, k.receive()) == ERROR_SUCCESS)
      ::RegDeleteValueW(k.get(), MarkerName().c_str());
  }
}

class UserIdTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearUserId(); }
  void TearDown() override { ClearUserId(); }
};

TEST_F(UserIdTest, CreatedOnceThenReadBack) {
  const std::string id = GetUserId();
  ASSERT_EQ(id.size(), 38u);
  EXPECT_EQ(id.front(), '{');
  EXPECT_EQ(id.back(), '}');
  EXPECT_EQ(base::ReadFileToString(GetUserIdFilePath(false)).value_or(""), id);
  EXPECT_EQ(GetUserId(), id);

  // The marker is in the Vista-and-later key.
  base::ScopedRegKey key;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\AppDataLow\\Kelmor", 0, KEY_READ,
                            key.receive()),
            ERROR_SUCCESS);
  DWORD value = 0, size = sizeof(value), type = 0;
  ASSERT_EQ(::RegQueryValueExW(key.get(), MarkerName().c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value, 1u);
}

TEST_F(UserIdTest, LostFileAfterCreationGivesEmptyId) {
  ASSERT_FALSE(GetUserId().empty());
  base::DeleteFileIfExists(GetUserIdFilePath(false));
  testing_support::LogCapture log;
  EXPECT_EQ(GetUserId(), "");
  EXPECT_TRUE(log.Has("Registry entry already exists, skip User ID file generation")) << log.Dump();
}

TEST_F(UserIdTest, OversizedFileIsIgnored) {
  ASSERT_FALSE(GetUserId().empty());  // creates the marker
  ASSERT_TRUE(base::WriteStringToFile(GetUserIdFilePath(true), std::string(65, 'a')));
  testing_support::LogCapture log;
  EXPECT_EQ(GetUserId(), "");
  EXPECT_TRUE(log.Has("Incorrect User ID file content")) << log.Dump();
  EXPECT_TRUE(log.Has("Registry entry already exists, skip User ID file generation"));
}

TEST_F(UserIdTest, EmptyFileIsIgnoredAndSixtyFourBytesAreAccepted) {
  ASSERT_TRUE(base::WriteStringToFile(GetUserIdFilePath(true), ""));
  {
    testing_support::LogCapture log;
    const std::string fresh = GetUserId();
    EXPECT_TRUE(log.Has("Incorrect User ID file content"));
    EXPECT_EQ(fresh.size(), 38u);  // no marker yet: a new id replaces the empty file
  }
  const std::string longest(64, 'b');
  ASSERT_TRUE(base::WriteStringToFile(GetUserIdFilePath(true), longest));
  EXPECT_EQ(GetUserId(), longest);
}

TEST_F(UserIdTest, UnreadableFileIsLoggedAndGivesNoNewId) {
  ASSERT_FALSE(GetUserId().empty());
  const std::wstring path = GetUserIdFilePath(false);
  // Another process holds the file without sharing it.
  base::ScopedHandle locked(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(locked);
  testing_support::LogCapture log;
  EXPECT_EQ(GetUserId(), "");
  EXPECT_TRUE(log.Has("Failed to read file " + base::WideToUtf8(path))) << log.Dump();
}

TEST(DescribeSetupExitCode, NamesKnownClasses) {
  EXPECT_EQ(DescribeSetupExitCode(0x6C000005), "PATH_STRING_OVERFLOW(108); error: 5");
  EXPECT_EQ(DescribeSetupExitCode(0x66000002), "Exit code: 102; error: 2");
  EXPECT_EQ(DescribeSetupExitCode(3), "SUCCESS_EXIT_CODE(0); error: 3");
  EXPECT_EQ(DescribeSetupExitCode(0x01FFFFFF), "GENERIC_ERROR(1); error: 16777215");
  EXPECT_EQ(DescribeSetupExitCode(0x75000000), "UNABLE_TO_SET_DIRECTORY_ACL(117); error: 0");
  EXPECT_EQ(DescribeSetupExitCode(0x76000000), "Exit code: 118; error: 0");
  EXPECT_EQ(DescribeSetupExitCode(0xFF000001), "Exit code: 255; error: 1");
}

}  // namespace
}  // namespace lite_installer
