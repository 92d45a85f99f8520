// Reading the installer tag out of the bytes of a signed executable: the
// pieces carried by dummy certificates in the PKCS#7 certificate set, or the
// "Kect" block appended after the PKCS#7 blob. Pure code over a byte buffer
// (no Windows header): every read stays inside the buffer whatever it holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lite_installer {

// A bounded cursor over DER: definite lengths of up to four bytes.
class DerCursor {
 public:
  DerCursor(std::string_view data, size_t position, size_t limit)
      : data_(data), pos_(position), limit_(limit > data.size() ? data.size() : limit) {}

  // Header and content sizes of the element at the cursor; false when the
  // length form is invalid or the header does not fit below the limit.
  bool ReadHeader(size_t* header_size, uint64_t* content_size) const;
  // Moves into the element's content and narrows the limit to its end.
  bool Enter();
  // Moves past the whole element.
  bool Skip();

  size_t position() const { return pos_; }
  size_t limit() const { return limit_; }
  bool at_end() const { return pos_ == limit_; }
  std::string_view remaining() const { return data_.substr(pos_, limit_ - pos_); }

 private:
  std::string_view data_;
  size_t pos_;
  size_t limit_;
};

enum class CertificateTagStatus {
  kOk,                   // the tag (possibly empty) was read
  kNoCertificateTable,   // no usable PE certificate table
  kInvalidAsn1,          // the PKCS#7 certificate set is malformed
};

// The first 112 bytes of a dummy certificate's TBSCertificate content.
std::string_view DummyCertificatePrefix();

// The concatenated pieces of every dummy certificate, in certificate order.
CertificateTagStatus ExtractTagFromCertificateTable(std::string_view file, std::string* tag);

// The tag piece of one certificate element (the whole Certificate DER);
// nullopt when it is no dummy certificate, "" for an unreadable piece.
std::optional<std::string> ReadDummyCertificatePiece(std::string_view certificate);

// The text of the appended "Kect" block, nullopt when there is none. The
// whole block must lie inside `image`.
std::optional<std::string> FindAppendedTag(std::string_view image);

}  // namespace lite_installer
