// Log statements and the process-wide log writer.
//
//   LOG(INFO) << "Temporary path is: " << path;
//   PLOG(ERROR, ::GetLastError()) << "Can't open file " << path;
//
// Every statement records its severity, the calling function (which doubles
// as the log tag), the line, the UTC time and the process and thread ids.
// The text is UTF-8; wide strings are converted when appended.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

namespace base {

enum LogSeverity : int32_t {
  LOG_INFO = 0,
  LOG_ERROR = 1,
  LOG_WARNING = 2,
};

const char* LogSeverityName(int32_t severity);

struct LogRecord {
  int32_t severity = LOG_INFO;
  const char* function = "";
  int line = 0;
  SYSTEMTIME time = {};  // UTC
  DWORD process_id = 0;
  DWORD thread_id = 0;
  std::string text;
};

// Receives finished log records. The process has at most one.
class LogSink {
 public:
  virtual void Emit(const LogRecord& record) = 0;
  virtual ~LogSink() = default;
};

// Installs the process-wide writer (destroying a previous one). Statements
// made while there is none are dropped.
void SetLogSink(std::unique_ptr<LogSink> sink);
LogSink* GetLogSink();

// "5, Access is denied.\r\n": the code, then the system's English text, or
// the text of wininet.dll or urlmon.dll when those are loaded, or
// "unknown error 0x5\n".
std::string DescribeSystemError(DWORD error);

// Appends text and numbers; bool prints as 1 or 0.
class LogStream {
 public:
  LogStream& operator<<(std::string_view s) {
    text_.append(s);
    return *this;
  }
  LogStream& operator<<(const char* s) { return *this << std::string_view(s ? s : ""); }
  LogStream& operator<<(const std::string& s) { return *this << std::string_view(s); }
  LogStream& operator<<(std::wstring_view s);
  LogStream& operator<<(const wchar_t* s) { return *this << std::wstring_view(s ? s : L""); }
  LogStream& operator<<(const std::wstring& s) { return *this << std::wstring_view(s); }
  LogStream& operator<<(char c) {
    text_.push_back(c);
    return *this;
  }
  LogStream& operator<<(bool b) {
    text_.push_back(b ? '1' : '0');
    return *this;
  }
  template <class T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool> &&
                                          !std::is_same_v<T, char>,
                                      int> = 0>
  LogStream& operator<<(T value) {
    if constexpr (std::is_signed_v<T>)
      AppendSigned(static_cast<long long>(value));
    else
      AppendUnsigned(static_cast<unsigned long long>(value));
    return *this;
  }
  LogStream& operator<<(double value);

  std::string& text() { return text_; }

 private:
  void AppendSigned(long long v);
  void AppendUnsigned(unsigned long long v);
  std::string text_;
};

class LogMessage {
 public:
  LogMessage(int32_t severity, const char* function, int line);
  LogMessage(int32_t severity, const char* function, int line, DWORD system_error);
  LogMessage(const LogMessage&) = delete;
  LogMessage& operator=(const LogMessage&) = delete;
  ~LogMessage();

  LogStream& stream() { return stream_; }

 private:
  LogRecord record_;
  bool has_error_ = false;
  DWORD error_ = 0;
  LogStream stream_;
};

}  // namespace base

#define LOG(severity) ::base::LogMessage(::base::LOG_##severity, __func__, __LINE__).stream()
#define PLOG(severity, error) \
  ::base::LogMessage(::base::LOG_##severity, __func__, __LINE__, (error)).stream()
// For code that logs under a tag other than its own function name.
#define LOG_TAG(severity, tag) ::base::LogMessage(::base::LOG_##severity, tag, __LINE__).stream()
#define PLOG_TAG(severity, tag, error) \
  ::base::LogMessage(::base::LOG_##severity, tag, __LINE__, (error)).stream()
