// crash_upload.exe RESULT_FILE DUMP_FILE [HOST_BASE] [key=value ...]
//
// Sends DUMP_FILE as a crash report (to HOST_BASE, default the build's
// crash-report host) with the given report parameters, then writes
// "result=<0|1> peak_working_set=<bytes> peak_private=<bytes>" to
// RESULT_FILE. A test tool: the installer itself uploads from its crash
// handler.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "base/files.h"
#include "base/logging.h"
#include "base/strings.h"
#include "build_config.h"
#include "installer/crash/crash_report_upload.h"
#include "installer/crash/http_transport.h"

namespace {

class StderrSink : public base::LogSink {
 public:
  void Emit(const base::LogRecord& record) override {
    std::fprintf(stderr, "%s: %s (%s:%d)\n", base::LogSeverityName(record.severity),
                 record.text.c_str(), record.function, record.line);
  }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: crash_upload RESULT_FILE DUMP_FILE [HOST_BASE] [key=value ...]\n");
    return 2;
  }
  base::SetLogSink(std::make_unique<StderrSink>());
  crash::CrashReport report;
  report.dump_path = argv[2];
  std::string host = KELMOR_CRASH_HOST;
  for (int i = 3; i < argc; ++i) {
    const std::string arg = base::WideToUtf8(argv[i]);
    const size_t eq = arg.find('=');
    if (eq == std::string::npos) {
      host = arg;
    } else if (arg.substr(0, eq) == "gzip") {
      report.gzip_enabled = arg.substr(eq + 1) != "false";
    } else {
      report.parameters[arg.substr(0, eq)] = arg.substr(eq + 1);
    }
  }
  const bool ok = crash::SendReport(report, crash::HttpTransport::Create(), host);

  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof(counters);
  ::GetProcessMemoryInfo(::GetCurrentProcess(),
                         reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
  char text[160];
  std::snprintf(text, sizeof(text), "result=%d peak_working_set=%llu peak_private=%llu\n",
                ok ? 1 : 0, static_cast<unsigned long long>(counters.PeakWorkingSetSize),
                static_cast<unsigned long long>(counters.PeakPagefileUsage));
  base::WriteStringToFile(argv[1], text);
  return ok ? 0 : 1;
}
