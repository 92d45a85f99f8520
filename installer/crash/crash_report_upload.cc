#include "installer/crash/crash_report_upload.h"

#include <utility>

#include "base/files.h"
#include "base/logging.h"
#include "build_config.h"
#include "installer/crash/file_reader.h"
#include "installer/crash/http_multipart_builder.h"
#include "installer/crash/http_text.h"
#include "installer/crash/http_transport.h"

namespace crash {
namespace {
constexpr double kUploadTimeoutSeconds = 60.0;
}  // namespace

bool SendReport(const CrashReport& report) {
  return SendReport(report, HttpTransport::Create(), KELMOR_CRASH_HOST);
}

bool SendReport(const CrashReport& report, std::unique_ptr<HttpTransport> transport,
                const std::string& host_base) {
  auto reader = std::make_unique<FileReader>();
  if (!reader->Open(report.dump_path)) return false;

  bool uploaded = false;
  {
    HttpMultipartBuilder builder;
    builder.SetGzipEnabled(report.gzip_enabled);
    for (const auto& [key, value] : report.parameters) {
      if (key == kMinidumpFieldName) {
        LOG(ERROR) << "reserved key " << key << ", discarding value " << value;
        continue;
      }
      builder.SetFormData(key, value);
    }
    const auto uid = report.parameters.find("uid");
    const std::string file_name = (uid != report.parameters.end() ? uid->second : "") + ".dmp";
    builder.SetFileAttachment(kMinidumpFieldName, file_name, std::move(reader),
                              "application/octet-stream");

    HttpTransport::Headers headers;
    builder.PopulateContentHeaders(&headers);
    for (const auto& [name, value] : headers) transport->SetHeader(name, value);
    transport->SetBodyStream(builder.GetBodyStream());
    transport->SetTimeout(kUploadTimeoutSeconds);
    transport->SetMethod("POST");
    transport->SetURL(BuildSubmitUrl(host_base, report.parameters));

    std::string response;
    uploaded = transport->ExecuteSynchronously(&response);
    // The body stream reads the builder's reader: it goes first, and the
    // dump file is closed with the builder.
    transport.reset();
  }
  if (uploaded && !::DeleteFileW(report.dump_path.c_str()))
    PLOG(ERROR, ::GetLastError()) << "DeleteFile " << report.dump_path;
  return uploaded;
}

}  // namespace crash
