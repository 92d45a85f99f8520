#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "base/files.h"
#include "base/logging.h"
#include "installer/util/file_logger.h"
#include "installer/config/installer_options.h"
#include "installer/app/startup_steps.h"

int main(int argc, char** argv) {
  // Unbuffered, so that a process that dies (at exit, say) keeps what it
  // printed for the test's record.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  // Started with "run-as-admin" by a test of the elevated runner, this program
  // is the elevated instance: the installer's own road, logging to the
  // inherited temporary folder and sharing the parameter block of this
  // executable with the test that started it.
  const auto options = lite_installer::InstallerOptions::FromCommandLine(
      lite_installer::InstallerCommandLine(::GetCommandLineW()));
  if (options.run_as_admin) {
    base::SetLogSink(std::make_unique<lite_installer::FileLogger>(lite_installer::GetLogFilePath(),
                                                                  lite_installer::kLogSizeLimit));
    return lite_installer::ExecuteAsAdmin(options);
  }
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
