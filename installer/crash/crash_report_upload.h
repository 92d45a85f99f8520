// Uploads one crash dump with its report parameters to the crash-report
// host: a gzip-compressed multipart POST, streamed in chunks.
#pragma once

#include <map>
#include <memory>
#include <string>

namespace crash {

class HttpTransport;

struct CrashReport {
  std::wstring dump_path;
  bool upload_enabled = true;
  bool gzip_enabled = true;
  std::map<std::string, std::string> parameters;
};

// The form field that carries the dump; a parameter of that name is dropped.
inline constexpr char kMinidumpFieldName[] = "upload_file_minidump";

// True when the host answered 200; the dump file is then deleted. On any
// failure the dump stays where it is. Nothing is retried.
bool SendReport(const CrashReport& report);
// The same over a given transport and host base ("https://host").
bool SendReport(const CrashReport& report, std::unique_ptr<HttpTransport> transport,
                const std::string& host_base);

}  // namespace crash
