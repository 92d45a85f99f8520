// Crash capture: an unhandled-exception filter that writes a minidump of
// the installer, with the report parameters and crash keys embedded as an
// information stream, and uploads it at once.
#pragma once

#include <windows.h>
#include <dbghelp.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/logging.h"
#include "base/scoped_handle.h"

namespace crash {

class CrashHandler {
 public:
  // The process-wide handler used by the entry point.
  static CrashHandler& Get();

  CrashHandler();
  CrashHandler(const CrashHandler&) = delete;
  CrashHandler& operator=(const CrashHandler&) = delete;
  ~CrashHandler();

  // Fills the report parameters and the dump path for the installation's
  // user id, loads the dump writer and installs the filter (keeping the
  // previous one). Without dbghelp's MiniDumpWriteDump there is no filter
  // and the result is false.
  bool Install();
  // The same for a given user id text (tests).
  bool InstallForUser(const std::string& user_id);
  // Restores the previous filter and forgets everything Install set up.
  void Uninstall();

  // Adds or replaces a report parameter; empty keys or values are ignored.
  void SetCrashKey(std::string_view key, std::string_view value);

  // Writes the dump file (which must not exist yet) for the exception.
  bool WriteDump(EXCEPTION_POINTERS* exception_pointers);

  // Lines that Install wrote before the log existed go to the log now.
  void FlushStartupLog();

  // The unhandled-exception filter.
  static LONG WINAPI HandleException(EXCEPTION_POINTERS* exception_pointers);

  bool installed() const { return previous_filter_installed_; }
  const std::wstring& dump_path() const { return dump_path_; }
  std::map<std::string, std::string> parameters() const;

 private:
  using MiniDumpWriteDumpFunction = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                                   PMINIDUMP_EXCEPTION_INFORMATION,
                                                   PMINIDUMP_USER_STREAM_INFORMATION,
                                                   PMINIDUMP_CALLBACK_INFORMATION);

  LONG OnException(EXCEPTION_POINTERS* exception_pointers);

  std::wstring dump_path_;
  bool upload_enabled_ = true;
  bool gzip_enabled_ = true;
  std::map<std::string, std::string> parameters_;
  GUID client_id_ = {};
  GUID report_id_ = {};
  MiniDumpWriteDumpFunction write_dump_ = nullptr;
  LPTOP_LEVEL_EXCEPTION_FILTER previous_filter_ = nullptr;

  bool previous_filter_installed_ = false;
  base::ScopedLibrary dbghelp_;
  mutable CRITICAL_SECTION lock_;
  std::vector<base::LogRecord> startup_log_;
};

// "6B29FC40-CA47-101B-B31D-00DD010662DA": the GUID without braces; empty
// when the text form is not the usual 38 characters.
std::string GuidToString(const GUID& guid);

}  // namespace crash
