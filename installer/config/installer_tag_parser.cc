#include "installer/config/installer_tag_parser.h"

#include <cstring>

namespace lite_installer {
namespace {

constexpr unsigned char kDummyPrefix[112] = {
    // [0] version = 2 (X.509 v3)
    0xA0, 0x03, 0x02, 0x01, 0x02,
    // serialNumber = 1
    0x02, 0x01, 0x01,
    // sha1WithRSAEncryption, NULL parameters
    0x30, 0x0D, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x05, 0x05, 0x00,
    // issuer CN=Unknown issuer
    0x30, 0x19, 0x31, 0x17, 0x30, 0x15, 0x06, 0x03, 0x55, 0x04, 0x03, 0x13, 0x0E,
    'U', 'n', 'k', 'n', 'o', 'w', 'n', ' ', 'i', 's', 's', 'u', 'e', 'r',
    // validity 2013-01-01 10:00:00Z .. 2013-04-01 10:00:00Z
    0x30, 0x1E, 0x17, 0x0D,
    '1', '3', '0', '1', '0', '1', '1', '0', '0', '0', '0', '0', 'Z',
    0x17, 0x0D,
    '1', '3', '0', '4', '0', '1', '1', '0', '0', '0', '0', '0', 'Z',
    // subject CN=Dummy certificate
    0x30, 0x1C, 0x31, 0x1A, 0x30, 0x18, 0x06, 0x03, 0x55, 0x04, 0x03, 0x13, 0x11,
    'D', 'u', 'm', 'm', 'y', ' ', 'c', 'e', 'r', 't', 'i', 'f', 'i', 'c', 'a', 't', 'e',
};
static_assert(sizeof(kDummyPrefix) == 112);

uint32_t ReadLe32(std::string_view d, size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(d.data() + at);
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t ReadLe16(std::string_view d, size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(d.data() + at);
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint16_t ReadBe16(std::string_view d, size_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(d.data() + at);
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

// True when [at, at + count) lies inside a buffer of `size` bytes.
bool Fits(uint64_t at, uint64_t count, uint64_t size) { return at <= size && count <= size - at; }

constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;

// File offset of the certificate-table directory entry, or 0.
uint64_t CertificateEntryOffset(std::string_view d, uint32_t e_lfanew) {
  if (!Fits(uint64_t{e_lfanew} + 24, 2, d.size())) return 0;
  const uint16_t magic = ReadLe16(d, e_lfanew + 24);
  if (magic == kPe32Magic) return uint64_t{e_lfanew} + 24 + 128;
  if (magic == kPe32PlusMagic) return uint64_t{e_lfanew} + 24 + 144;
  return 0;
}

bool HasPeSignature(std::string_view d, uint32_t e_lfanew) {
  return Fits(e_lfanew, 4, d.size()) && std::memcmp(d.data() + e_lfanew, "PE\0\0", 4) == 0;
}

}  // namespace

bool DerCursor::ReadHeader(size_t* header_size, uint64_t* content_size) const {
  if (!Fits(pos_, 2, limit_)) return false;
  const auto first = static_cast<unsigned char>(data_[pos_ + 1]);
  if (first < 0x80) {
    *header_size = 2;
    *content_size = first;
    return true;
  }
  if (first == 0x80 || first > 0x84) return false;
  const size_t count = first & 0x7F;
  if (!Fits(pos_ + 2, count, limit_)) return false;
  uint64_t length = 0;
  for (size_t k = 0; k < count; ++k)
    length = (length << 8) | static_cast<unsigned char>(data_[pos_ + 2 + k]);
  *header_size = 2 + count;
  *content_size = length;
  return true;
}

bool DerCursor::Enter() {
  size_t header;
  uint64_t content;
  if (!ReadHeader(&header, &content) || !Fits(pos_ + header, content, limit_)) return false;
  pos_ += header;
  limit_ = pos_ + static_cast<size_t>(content);
  return true;
}

bool DerCursor::Skip() {
  size_t header;
  uint64_t content;
  if (!ReadHeader(&header, &content) || !Fits(pos_ + header, content, limit_)) return false;
  pos_ += header + static_cast<size_t>(content);
  return true;
}

std::string_view DummyCertificatePrefix() {
  return std::string_view(reinterpret_cast<const char*>(kDummyPrefix), sizeof(kDummyPrefix));
}

std::optional<std::string> ReadDummyCertificatePiece(std::string_view certificate) {
  DerCursor cursor(certificate, 0, certificate.size());
  if (!cursor.Enter() || !cursor.Enter()) return std::nullopt;  // Certificate, TBSCertificate
  if (cursor.remaining().substr(0, sizeof(kDummyPrefix)) != DummyCertificatePrefix())
    return std::nullopt;
  // version, serialNumber, signature, issuer, validity, subject, subjectPublicKeyInfo
  for (int k = 0; k < 7; ++k)
    if (!cursor.Skip()) return std::string();
  if (!cursor.Enter() || !cursor.Enter()) return std::string();  // [3], Extensions
  for (int k = 0; k < 3; ++k)
    if (!cursor.Skip()) return std::string();
  // The fourth Extension: skip extnID, enter extnValue.
  if (!cursor.Enter() || !cursor.Skip() || !cursor.Enter()) return std::string();
  const std::string_view value = cursor.remaining();
  if (value.size() < 2) return std::string();
  const size_t length = ReadBe16(value, 0);
  if (value.size() < length + 2) return std::string();
  return std::string(value.substr(2, length));
}

CertificateTagStatus ExtractTagFromCertificateTable(std::string_view d, std::string* tag) {
  tag->clear();
  if (d.size() < 64) return CertificateTagStatus::kNoCertificateTable;
  const uint32_t e_lfanew = ReadLe32(d, 60);
  if (!Fits(e_lfanew, 96, d.size()) || !HasPeSignature(d, e_lfanew))
    return CertificateTagStatus::kNoCertificateTable;
  const uint64_t entry = CertificateEntryOffset(d, e_lfanew);
  if (entry == 0 || !Fits(entry, 8, d.size())) return CertificateTagStatus::kNoCertificateTable;
  const uint32_t table = ReadLe32(d, static_cast<size_t>(entry));
  const uint32_t table_size = ReadLe32(d, static_cast<size_t>(entry) + 4);
  // The table must hold at least the WIN_CERTIFICATE header and lie in the file.
  if (table == 0 || table_size < 8 || !Fits(table, table_size, d.size()))
    return CertificateTagStatus::kNoCertificateTable;
  const size_t table_end = size_t{table} + table_size;
  DerCursor cursor(d, size_t{table} + 8, table_end);
  size_t header;
  uint64_t content;
  if (!cursor.ReadHeader(&header, &content)) return CertificateTagStatus::kNoCertificateTable;

  // ContentInfo { contentType, [0] SignedData { version, digestAlgorithms,
  // encapContentInfo, [0] certificates, ... } }
  if (!cursor.Enter() || !cursor.Skip() || !cursor.Enter() || !cursor.Enter() || !cursor.Skip() ||
      !cursor.Skip() || !cursor.Skip() || !cursor.Enter())
    return CertificateTagStatus::kInvalidAsn1;

  std::string result;
  while (!cursor.at_end()) {
    const size_t start = cursor.position();
    if (!cursor.Skip()) return CertificateTagStatus::kInvalidAsn1;
    const std::string_view certificate = d.substr(start, cursor.position() - start);
    if (std::optional<std::string> piece = ReadDummyCertificatePiece(certificate))
      result += *piece;
  }
  *tag = std::move(result);
  return CertificateTagStatus::kOk;
}

std::optional<std::string> FindAppendedTag(std::string_view d) {
  if (d.size() < 64 || d[0] != 'M' || d[1] != 'Z') return std::nullopt;
  const uint32_t e_lfanew = ReadLe32(d, 60);
  if (!HasPeSignature(d, e_lfanew)) return std::nullopt;
  // The PE32 position (e_lfanew + 152), or the PE32+ one for 64-bit images.
  uint64_t entry = CertificateEntryOffset(d, e_lfanew);
  if (entry == 0) entry = uint64_t{e_lfanew} + 152;
  if (!Fits(entry, 4, d.size())) return std::nullopt;
  const uint32_t table = ReadLe32(d, static_cast<size_t>(entry));
  if (table == 0 || !Fits(uint64_t{table} + 8, 4, d.size())) return std::nullopt;
  if (static_cast<unsigned char>(d[table + 8]) != 0x30 ||
      static_cast<unsigned char>(d[table + 9]) != 0x82)
    return std::nullopt;
  const uint32_t der_length = ReadBe16(d, table + 10);
  const uint64_t block = uint64_t{table} + (((der_length + 19) & ~uint32_t{7}) & 0x1FFFF);
  if (!Fits(block, 6, d.size()) || std::memcmp(d.data() + block, "Kect", 4) != 0)
    return std::nullopt;
  const uint16_t length = ReadBe16(d, static_cast<size_t>(block) + 4);
  if (!Fits(block + 6, length, d.size())) return std::nullopt;
  return std::string(d.substr(static_cast<size_t>(block) + 6, length));
}

}  // namespace lite_installer
