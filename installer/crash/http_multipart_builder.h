// A multipart/form-data request body: form fields and file attachments,
// optionally gzip-compressed, produced as a stream.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "installer/crash/file_reader.h"
#include "installer/crash/http_body.h"

namespace crash {

class HttpMultipartBuilder {
 public:
  using Headers = std::map<std::string, std::string>;

  HttpMultipartBuilder();
  HttpMultipartBuilder(const HttpMultipartBuilder&) = delete;
  HttpMultipartBuilder& operator=(const HttpMultipartBuilder&) = delete;
  ~HttpMultipartBuilder();

  void SetGzipEnabled(bool gzip_enabled) { gzip_enabled_ = gzip_enabled; }
  // Replaces a field or an attachment of the same key.
  void SetFormData(const std::string& key, const std::string& value);
  // The builder owns the reader. An empty content type means
  // "application/octet-stream"; one with other characters than letters,
  // digits and ". / + - _" is refused (false, logged, nothing set).
  bool SetFileAttachment(const std::string& key, const std::string& upload_file_name,
                         std::unique_ptr<FileReaderInterface> reader,
                         const std::string& content_type);

  // The body, from the attachments' first bytes. It reads the readers that
  // the builder owns, so it must not outlive the builder.
  std::unique_ptr<HttpBodyStream> GetBodyStream();
  // Content-Type with the boundary; Content-Encoding when gzip is on.
  void PopulateContentHeaders(Headers* headers) const;

  const std::string& boundary() const { return boundary_; }

  // "---MultipartBoundary-" + 32 random letters and digits + "---".
  static std::string GenerateBoundary();

 private:
  struct FileAttachment {
    std::string filename;
    std::string content_type;
    std::unique_ptr<FileReaderInterface> reader;
  };

  const std::string boundary_;
  std::map<std::string, std::string> form_data_;
  std::map<std::string, FileAttachment> file_attachments_;
  bool gzip_enabled_ = false;
};

}  // namespace crash
