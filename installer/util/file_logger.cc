#include "installer/util/file_logger.h"

#include <windows.h>

#include <cstdio>

#include "base/files.h"
#include "base/hash.h"
#include "base/scoped_handle.h"
#include "base/strings.h"

namespace lite_installer {
namespace {

constexpr size_t kMaxAffixBytes = 200;

enum class LockResult { kTaken, kAbandoned, kFailed };

base::ScopedHandle OpenForAppend(const std::wstring& path) {
  return base::ScopedHandle(::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

std::string FormatLogPrefix(const base::LogRecord& r) {
  char buffer[kMaxAffixBytes + 1];
  const int n = std::snprintf(buffer, sizeof(buffer), "%04d-%02d-%02d %02d:%02d:%02d.%03d %02lu:%02lu ",
                              r.time.wYear, r.time.wMonth, r.time.wDay, r.time.wHour,
                              r.time.wMinute, r.time.wSecond, r.time.wMilliseconds,
                              static_cast<unsigned long>(r.process_id),
                              static_cast<unsigned long>(r.thread_id));
  if (n < 0 || static_cast<size_t>(n) > kMaxAffixBytes) return {};
  return std::string(buffer, n);
}

std::string FormatLogSuffix(const base::LogRecord& r) {
  char buffer[kMaxAffixBytes + 1];
  const int n = std::snprintf(buffer, sizeof(buffer), " (%s:%d)", r.function ? r.function : "",
                              r.line);
  if (n < 0 || static_cast<size_t>(n) > kMaxAffixBytes) return {};
  return std::string(buffer, n);
}

std::wstring GetLogFilePath() {
  return base::PathJoin(base::GetTempDir(), std::wstring(L"lite_installer") + L".log");
}

FileLogger::FileLogger(std::wstring path, int32_t size_limit)
    : path_(std::move(path)),
      mutex_name_(base::Utf8ToWide("zovuriduro log " + base::Md5Hex(base::WideToUtf8(path_)))),
      folder_(base::DirName(path_)),
      size_limit_(size_limit) {}

FileLogger::~FileLogger() = default;

void FileLogger::Emit(const base::LogRecord& record) {
  const std::string prefix = FormatLogPrefix(record);
  const std::string suffix = FormatLogSuffix(record);
  if (prefix.empty() || suffix.empty()) return;

  // One mutex per log file, shared by every process that writes it.
  base::ScopedHandle mutex(::CreateMutexW(nullptr, FALSE, mutex_name_.c_str()));
  LockResult lock = LockResult::kFailed;
  if (mutex) {
    switch (::WaitForSingleObject(mutex.get(), 1000)) {
      case WAIT_OBJECT_0:
        lock = LockResult::kTaken;
        break;
      case WAIT_ABANDONED:
        lock = LockResult::kAbandoned;
        break;
      default:
        break;
    }
  }
  base::ScopedMutexLock release(lock == LockResult::kFailed ? nullptr : mutex.get());

  // The folder is made only when the file cannot be opened for the lack of it.
  base::ScopedHandle file = OpenForAppend(path_);
  if (!file && ::GetLastError() == ERROR_PATH_NOT_FOUND && !folder_.empty() &&
      base::CreateDirectories(folder_))
    file = OpenForAppend(path_);
  if (!file) return;

  std::string output;
  if (!rotation_failed_) {
    LARGE_INTEGER length;
    if (::GetFileSizeEx(file.get(), &length) &&
        length.QuadPart + static_cast<LONGLONG>(prefix.size() + record.text.size()) >=
            size_limit_) {
      file.reset();
      const std::wstring old_path = base::InsertBeforeExtension(path_, L"_old");
      if (!::MoveFileExW(path_.c_str(), old_path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = ::GetLastError();
        rotation_failed_ = true;
        output += prefix + "LOGGING: Failed to rotate log file " + base::WideToUtf8(path_) +
                  ": " + std::to_string(error) + "\n";
      }
      file = OpenForAppend(path_);
      if (!file) return;
    }
  }

  if (lock == LockResult::kFailed && !lock_failure_reported_) {
    output += prefix + "LOGGING: Failed to lock log file " + base::WideToUtf8(path_) + "\n";
    lock_failure_reported_ = true;
  }
  if (lock == LockResult::kAbandoned)
    output += prefix + "LOGGING: Abandoned log mutex recovered for file " +
              base::WideToUtf8(path_) + "\n";
  output += prefix;
  output += base::LogSeverityName(record.severity);
  output += ": ";
  output += record.text;
  output += suffix;
  output += "\n";

  DWORD written = 0;
  ::WriteFile(file.get(), output.data(), static_cast<DWORD>(output.size()), &written, nullptr);
}

}  // namespace lite_installer
