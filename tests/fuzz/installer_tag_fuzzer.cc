// The tag readers on any bytes taken as an executable file: every read stays
// inside the buffer (the sanitizer checks), and a found tag lies in it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "installer/config/installer_tag_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly `size` bytes, so that any read beyond it is reported.
  const std::string image(reinterpret_cast<const char*>(data), size);
  std::string tag;
  const auto status = lite_installer::ExtractTagFromCertificateTable(image, &tag);
  if (status != lite_installer::CertificateTagStatus::kOk && !tag.empty()) std::abort();
  if (tag.size() > size) std::abort();
  if (const auto block = lite_installer::FindAppendedTag(image)) {
    if (block->size() + 6 > size || image.find(*block) == std::string::npos) std::abort();
  }
  lite_installer::ReadDummyCertificatePiece(image);
  return 0;
}
