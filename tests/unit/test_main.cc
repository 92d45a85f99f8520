#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/files.h"

int main(int argc, char** argv) {
  // Unit tests run beside end-to-end tests that empty the shared temporary
  // folder, so this process (and the programs it starts) get one of their own.
  std::wstring temp = base::GetTempDir();
  if (!temp.empty()) {
    temp = base::PathJoin(base::DirName(base::DirName(temp + L"x")),
                          L"unit_tests_temp\\" + std::to_wstring(::GetCurrentProcessId()));
    if (base::CreateDirectories(temp)) {
      ::SetEnvironmentVariableW(L"TMP", temp.c_str());
      ::SetEnvironmentVariableW(L"TEMP", temp.c_str());
    }
  }
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  if (!temp.empty()) base::DeleteDirectoryRecursive(temp);
  return result;
}
