#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/process.h"
#include "base/strings.h"
#include "installer/util/file_logger.h"
#include "installer/config/installer_command_line.h"
#include "tests/unit/log_capture.h"

namespace lite_installer {
namespace {

class FileLoggerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = base::CreateUniqueTempDirectory(L"logtest");
    ASSERT_FALSE(dir_.empty());
    path_ = base::PathJoin(dir_, L"lite_installer.log");
  }
  void TearDown() override { base::DeleteDirectoryRecursive(dir_); }

  std::string Read(const std::wstring& path) { return base::ReadFileToString(path).value_or(""); }

  static base::LogRecord Record(int severity, const char* function, int line, std::string text) {
    base::LogRecord r;
    r.severity = severity;
    r.function = function;
    r.line = line;
    r.time = {2023, 11, 0, 5, 7, 8, 9, 10};
    r.process_id = 4;
    r.thread_id = 7;
    r.text = std::move(text);
    return r;
  }

  std::wstring dir_;
  std::wstring path_;
};

TEST_F(FileLoggerTest, LineFormatIsExact) {
  FileLogger logger(path_, kLogSizeLimit);
  logger.Emit(Record(base::LOG_ERROR, "InstallBrowser", 52, "Download failed"));
  logger.Emit(Record(base::LOG_INFO, "wWinMain", 7, ""));
  logger.Emit(Record(base::LOG_WARNING, "F", 123456, "w"));
  EXPECT_EQ(Read(path_),
            "2023-11-05 07:08:09.010 04:07 ERROR: Download failed (InstallBrowser:52)\n"
            "2023-11-05 07:08:09.010 04:07 INFO:  (wWinMain:7)\n"
            "2023-11-05 07:08:09.010 04:07 WARNING: w (F:123456)\n");
}

TEST_F(FileLoggerTest, WideIdsAndLongTagsFollowTheFormat) {
  FileLogger logger(path_, kLogSizeLimit);
  auto r = Record(base::LOG_INFO, "X", 1, "t");
  r.process_id = 123456;
  r.thread_id = 0;
  logger.Emit(r);
  const std::string long_tag(300, 'f');
  logger.Emit(Record(base::LOG_INFO, long_tag.c_str(), 1, "dropped: suffix over 200 bytes"));
  EXPECT_EQ(Read(path_), "2023-11-05 07:08:09.010 123456:00 INFO: t (X:1)\n");
}

TEST_F(FileLoggerTest, CreatesTheMissingFolder) {
  const std::wstring nested = base::PathJoin(dir_, L"a\\b\\lite_installer.log");
  FileLogger logger(nested, kLogSizeLimit);
  logger.Emit(Record(base::LOG_INFO, "F", 1, "hello"));
  EXPECT_NE(Read(nested).find("INFO: hello (F:1)"), std::string::npos);
}

TEST_F(FileLoggerTest, RotatesWhenTheLineWouldReachTheLimit) {
  const std::string prefix = "2023-11-05 07:08:09.010 04:07 ";
  const std::string text = "next line";
  // Length + prefix + text one byte short of the limit: no rotation yet.
  const std::string filler(kLogSizeLimit - prefix.size() - text.size() - 1, 'x');
  ASSERT_TRUE(base::WriteStringToFile(path_, filler));
  const std::wstring old_path = base::PathJoin(dir_, L"lite_installer_old.log");
  ASSERT_TRUE(base::WriteStringToFile(old_path, "older"));

  FileLogger logger(path_, kLogSizeLimit);
  logger.Emit(Record(base::LOG_INFO, "F", 1, text));
  EXPECT_EQ(Read(old_path), "older");
  const size_t after_first = base::GetFileSize(path_).value_or(0);
  EXPECT_GT(after_first, filler.size());

  // Now the file is over the limit: the next line starts a new file and the
  // full one replaces the old "_old" file.
  logger.Emit(Record(base::LOG_INFO, "F", 2, text));
  EXPECT_EQ(base::GetFileSize(old_path).value_or(0), after_first);
  EXPECT_EQ(Read(path_), prefix + "INFO: next line (F:2)\n");
}

TEST_F(FileLoggerTest, SystemErrorIsAppendedToTheText) {
  FileLogger* logger = new FileLogger(path_, kLogSizeLimit);
  base::SetLogSink(std::unique_ptr<base::LogSink>(logger));
  PLOG(ERROR, ERROR_ACCESS_DENIED) << "Can't open";
  PLOG(ERROR, ERROR_ACCESS_DENIED) << "";
  base::SetLogSink(nullptr);
  const std::string description = base::DescribeSystemError(ERROR_ACCESS_DENIED);
  ASSERT_EQ(description.rfind("5, ", 0), 0u) << description;
  EXPECT_GT(description.size(), 3u);
  const std::string content = Read(path_);
  EXPECT_NE(content.find("ERROR: Can't open - " + description + " (TestBody:"), std::string::npos)
      << content;
  EXPECT_NE(content.find("ERROR: " + description + " (TestBody:"), std::string::npos) << content;
}

TEST(DescribeSystemError, UnknownCodeSaysSo) {
  EXPECT_EQ(base::DescribeSystemError(0x2FFFFFFF), "805306367, unknown error 0x2fffffff\n");
}

TEST_F(FileLoggerTest, TwoProcessesLoseAndInterleaveNoLine) {
  const std::wstring writer = base::PathJoin(base::DirName(base::GetModulePath()), L"log_writer.exe");
  ASSERT_TRUE(base::FileExists(writer));
  constexpr int kLines = 300;
  std::vector<base::ScopedHandle> children;
  for (const wchar_t* tag : {L"alpha", L"beta"}) {
    InstallerCommandLine line;
    line.set_program(writer);
    line.AppendSwitch("path", path_);
    line.AppendSwitch("count", std::to_wstring(kLines));
    line.AppendSwitch("tag", tag);
    children.push_back(base::LaunchProcess(line.Render()));
    ASSERT_TRUE(children.back());
  }
  for (auto& child : children) EXPECT_EQ(base::WaitForExitCode(child.get(), 120000), 0u);

  std::map<std::string, int> next;
  std::istringstream lines(Read(path_));
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    // On a loaded machine a writer may give up waiting for the lock after a
    // second; it says so once and still writes its line whole.
    if (line.find("LOGGING: Failed to lock log file ") != std::string::npos) continue;
    ++count;
    // "<prefix>INFO: <tag> <n> payload... (WriteLines:NN)"
    const size_t info = line.find(" INFO: ");
    ASSERT_NE(info, std::string::npos) << line;
    std::istringstream fields(line.substr(info + 7));
    std::string tag;
    int n = -1;
    fields >> tag >> n;
    EXPECT_EQ(n, next[tag]) << line;
    next[tag] = n + 1;
    EXPECT_NE(line.find(" (WriteLines:"), std::string::npos) << line;
  }
  EXPECT_EQ(count, 2 * kLines);
  EXPECT_EQ(next["alpha"], kLines);
  EXPECT_EQ(next["beta"], kLines);
}

}  // namespace
}  // namespace lite_installer
