#include "installer/crash/http_multipart_builder.h"

#include <random>
#include <utility>
#include <vector>

#include "base/logging.h"
#include "installer/crash/http_body_gzip.h"
#include "installer/crash/http_text.h"

namespace crash {
namespace {

constexpr char kCrlf[] = "\r\n";
constexpr char kBoundaryCharacters[] =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr char kDefaultContentType[] = "application/octet-stream";

std::string DispositionLine(const std::string& boundary, const std::string& key) {
  return "--" + boundary + kCrlf + "Content-Disposition: form-data; name=\"" +
         EncodeMimeField(key) + "\"";
}

}  // namespace

HttpMultipartBuilder::HttpMultipartBuilder() : boundary_(GenerateBoundary()) {}

HttpMultipartBuilder::~HttpMultipartBuilder() = default;

std::string HttpMultipartBuilder::GenerateBoundary() {
  std::random_device random;
  std::uniform_int_distribution<int> index(0, 61);
  std::string boundary = "---MultipartBoundary-";
  for (int i = 0; i < 32; ++i) boundary.push_back(kBoundaryCharacters[index(random)]);
  boundary.append("---");
  return boundary;
}

void HttpMultipartBuilder::SetFormData(const std::string& key, const std::string& value) {
  file_attachments_.erase(key);
  form_data_[key] = value;
}

bool HttpMultipartBuilder::SetFileAttachment(const std::string& key,
                                             const std::string& upload_file_name,
                                             std::unique_ptr<FileReaderInterface> reader,
                                             const std::string& content_type) {
  if (!IsValidContentType(content_type)) {
    LOG(ERROR) << "invalid content type " << content_type << " for " << key;
    return false;
  }
  form_data_.erase(key);
  FileAttachment& attachment = file_attachments_[key];
  attachment.filename = EncodeMimeField(upload_file_name);
  attachment.content_type = content_type.empty() ? kDefaultContentType : content_type;
  attachment.reader = std::move(reader);
  return true;
}

std::unique_ptr<HttpBodyStream> HttpMultipartBuilder::GetBodyStream() {
  std::vector<std::unique_ptr<HttpBodyStream>> parts;
  // Leading text is gathered until a file part needs its own stream.
  std::string text;
  for (const auto& [key, value] : form_data_)
    text += DispositionLine(boundary_, key) + kCrlf + kCrlf + value + kCrlf;
  for (auto& [key, attachment] : file_attachments_) {
    text += DispositionLine(boundary_, key) + "; filename=\"" + attachment.filename + "\"" +
            kCrlf + "Content-Type: " + attachment.content_type + kCrlf + kCrlf;
    parts.push_back(std::make_unique<StringHttpBodyStream>(std::move(text)));
    text.clear();
    attachment.reader->SeekToStart();
    parts.push_back(std::make_unique<FileReaderHttpBodyStream>(attachment.reader.get()));
    text = kCrlf;
  }
  text += "--" + boundary_ + "--" + kCrlf;
  parts.push_back(std::make_unique<StringHttpBodyStream>(std::move(text)));

  std::unique_ptr<HttpBodyStream> body =
      std::make_unique<CompositeHttpBodyStream>(std::move(parts));
  if (gzip_enabled_) body = std::make_unique<GzipHttpBodyStream>(std::move(body));
  return body;
}

void HttpMultipartBuilder::PopulateContentHeaders(Headers* headers) const {
  (*headers)["Content-Type"] = "multipart/form-data; boundary=" + boundary_;
  if (gzip_enabled_) (*headers)["Content-Encoding"] = "gzip";
}

}  // namespace crash
