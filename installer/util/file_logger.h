// The log file writer: appends one formatted line per message to a file that
// several processes may share, rotating it at a size limit.
#pragma once

#include <cstdint>
#include <string>

#include "base/logging.h"

namespace lite_installer {

class FileLogger : public base::LogSink {
 public:
  FileLogger(std::wstring path, int32_t size_limit);
  void Emit(const base::LogRecord& record) override;
  ~FileLogger() override;

  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  // Computed once: the name of the mutex that every process writing this
  // file shares, and the file's folder.
  std::wstring mutex_name_;
  std::wstring folder_;
  int32_t size_limit_;
  bool rotation_failed_ = false;
  bool lock_failure_reported_ = false;
};

// "2023-11-05 07:08:09.010 04:07 "; empty when it would exceed 200 bytes.
std::string FormatLogPrefix(const base::LogRecord& record);
// " (InstallBrowser:52)"; empty when it would exceed 200 bytes.
std::string FormatLogSuffix(const base::LogRecord& record);

// %TEMP%\lite_installer.log
std::wstring GetLogFilePath();
constexpr int32_t kLogSizeLimit = 0x100000;

}  // namespace lite_installer
