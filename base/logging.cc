#include "base/logging.h"

#include <charconv>
#include <cstdio>

#include "base/strings.h"

namespace base {
namespace {

LogSink* g_sink = nullptr;

bool FormatFrom(DWORD flags, const void* source, DWORD error, std::wstring& out) {
  wchar_t buffer[1024];
  const DWORD n = ::FormatMessageW(flags | FORMAT_MESSAGE_IGNORE_INSERTS, source, error,
                                   MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), buffer,
                                   static_cast<DWORD>(std::size(buffer)), nullptr);
  if (n == 0) return false;
  out.assign(buffer, n);
  return true;
}

}  // namespace

const char* LogSeverityName(int32_t severity) {
  switch (severity) {
    case LOG_INFO:
      return "INFO";
    case LOG_ERROR:
      return "ERROR";
    case LOG_WARNING:
      return "WARNING";
  }
  return "UNKNOWN";
}

void SetLogSink(std::unique_ptr<LogSink> sink) {
  delete g_sink;
  g_sink = sink.release();
}

LogSink* GetLogSink() { return g_sink; }

std::string DescribeSystemError(DWORD error) {
  std::wstring text;
  bool found = FormatFrom(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error, text);
  for (const wchar_t* module : {L"wininet.dll", L"urlmon.dll"}) {
    if (found) break;
    if (HMODULE h = ::GetModuleHandleW(module))
      found = FormatFrom(FORMAT_MESSAGE_FROM_HMODULE, h, error, text);
  }
  std::string result = std::to_string(error) + ", ";
  if (found) {
    result += WideToUtf8(text);
  } else {
    char hex[16];
    std::snprintf(hex, sizeof(hex), "%lx", static_cast<unsigned long>(error));
    result += "unknown error 0x";
    result += hex;
    result += "\n";
  }
  return result;
}

LogStream& LogStream::operator<<(std::wstring_view s) {
  text_.append(WideToUtf8(s));
  return *this;
}

LogStream& LogStream::operator<<(double value) {
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%g", value);
  text_.append(buf);
  return *this;
}

void LogStream::AppendSigned(long long v) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof(buf), v);
  text_.append(buf, r.ptr);
}

void LogStream::AppendUnsigned(unsigned long long v) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof(buf), v);
  text_.append(buf, r.ptr);
}

LogMessage::LogMessage(int32_t severity, const char* function, int line) {
  record_.severity = severity;
  record_.function = function;
  record_.line = line;
  ::GetSystemTime(&record_.time);
  record_.process_id = ::GetCurrentProcessId();
  record_.thread_id = ::GetCurrentThreadId();
}

LogMessage::LogMessage(int32_t severity, const char* function, int line, DWORD system_error)
    : LogMessage(severity, function, line) {
  has_error_ = true;
  error_ = system_error;
}

LogMessage::~LogMessage() {
  LogSink* sink = g_sink;
  if (!sink) return;
  const DWORD saved_error = ::GetLastError();
  record_.text = std::move(stream_.text());
  if (has_error_) {
    if (!record_.text.empty()) record_.text += " - ";
    record_.text += DescribeSystemError(error_);
  }
  sink->Emit(record_);
  ::SetLastError(saved_error);
}

}  // namespace base
