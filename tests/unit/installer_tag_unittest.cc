#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/files.h"
#include "base/strings.h"
#include "installer/config/installer_tag.h"
#include "installer/config/installer_tag_parser.h"
#include "tests/unit/log_capture.h"

namespace lite_installer {
namespace {

// ---- A small DER and PE builder for the tests.

std::string Length(size_t n) {
  if (n < 0x80) return std::string(1, static_cast<char>(n));
  if (n < 0x100) return std::string("\x81") + static_cast<char>(n);
  return std::string("\x82") + static_cast<char>(n >> 8) + static_cast<char>(n & 0xFF);
}

std::string Der(unsigned char tag, const std::string& content) {
  return std::string(1, static_cast<char>(tag)) + Length(content.size()) + content;
}

std::string Seq(const std::string& c) { return Der(0x30, c); }
std::string Octets(const std::string& c) { return Der(0x04, c); }
std::string Oid(const std::string& c) { return Der(0x06, c); }

std::string Extension(const std::string& value) { return Seq(Oid("\x55\x1D\x0E") + Octets(value)); }

std::string Piece(const std::string& text) {
  return std::string(1, static_cast<char>(text.size() >> 8)) +
         static_cast<char>(text.size() & 0xFF) + text;
}

// A certificate whose TBSCertificate starts with `prefix`; the fourth
// extension's OCTET STRING holds `piece`.
std::string Certificate(const std::string& prefix, const std::string& piece) {
  const std::string spki = Seq(Seq(Oid("\x2A\x86\x48\x86\xF7\x0D\x01\x01\x01")) +
                               Der(0x03, std::string("\x00\x30\x03\x02\x01\x01", 6)));
  const std::string extensions =
      Der(0xA3, Seq(Extension("one") + Extension("two") + Extension("three") +
                    Seq(Oid("\x2B\x06\x01") + Octets(piece))));
  const std::string tbs = Seq(prefix + spki + extensions);
  return Seq(tbs + Seq(Oid("\x2A\x86\x48\x86\xF7\x0D\x01\x01\x05")) + Der(0x03, std::string(9, '\0')));
}

std::string Dummy(const std::string& text) {
  return Certificate(std::string(DummyCertificatePrefix()), Piece(text));
}

// An ordinary (non-dummy) certificate of some size.
std::string Ordinary(size_t pad = 300) {
  std::string prefix = std::string(DummyCertificatePrefix());
  prefix[7] = 0x02;  // serial number 2: no longer the dummy prefix
  return Certificate(prefix + Octets(std::string(pad, 'x')), Piece("ignored"));
}

std::string SignedData(const std::string& certificate_set) {
  const std::string signed_data =
      Seq(Der(0x02, "\x01") + Der(0x31, "") + Seq(Oid("\x2A\x86\x48\x86\xF7\x0D\x01\x07\x01")) +
          certificate_set + Der(0x31, ""));
  return Seq(Oid("\x2A\x86\x48\x86\xF7\x0D\x01\x07\x02") + Der(0xA0, signed_data));
}

void PutLe32(std::string& s, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) s[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
}

// A minimal image: DOS header, PE header, then the certificate table
// (WIN_CERTIFICATE header, `pkcs7`, `after`), at the end of the file.
std::string Image(const std::string& pkcs7, const std::string& after = "", bool pe32_plus = false) {
  std::string image(512, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  PutLe32(image, 60, 128);
  image.replace(128, 4, std::string("PE\0\0", 4));
  image[128 + 24] = 0x0B;
  image[128 + 25] = pe32_plus ? 0x02 : 0x01;
  std::string table = pkcs7 + after;
  while (table.size() % 8) table.push_back('\0');
  const size_t entry = 128 + 24 + (pe32_plus ? 144 : 128);
  PutLe32(image, entry, static_cast<uint32_t>(image.size()));
  PutLe32(image, entry + 4, static_cast<uint32_t>(table.size() + 8));
  std::string header(8, '\0');
  PutLe32(header, 0, static_cast<uint32_t>(table.size() + 8));
  header[4] = 0x00, header[5] = 0x02, header[6] = 0x02, header[7] = 0x00;
  return image + header + table;
}

std::string Kect(const std::string& text) { return "Kect" + Piece(text); }

// The appended block sits at the rounded end of the PKCS#7 blob.
std::string KectAfter(const std::string& pkcs7, const std::string& block) {
  const size_t padded = (pkcs7.size() + 7) / 8 * 8;
  return std::string(padded - pkcs7.size(), '\0') + block;
}

CertificateTagStatus Extract(const std::string& image, std::string* tag) {
  return ExtractTagFromCertificateTable(image, tag);
}

TEST(InstallerTagParserTest, DummyCertificatePiecesJoinInOrder) {
  std::string tag = "stale";
  EXPECT_EQ(Extract(Image(SignedData(Der(0xA0, Ordinary()))), &tag), CertificateTagStatus::kOk);
  EXPECT_EQ(tag, "");
  const std::string image =
      Image(SignedData(Der(0xA0, Ordinary() + Dummy("a=1&") + Ordinary(20) + Dummy("b=2"))));
  EXPECT_EQ(Extract(image, &tag), CertificateTagStatus::kOk);
  EXPECT_EQ(tag, "a=1&b=2");
  // 64-bit images keep the directory entry 16 bytes further on.
  EXPECT_EQ(Extract(Image(SignedData(Der(0xA0, Dummy("x=64"))), "", true), &tag),
            CertificateTagStatus::kOk);
  EXPECT_EQ(tag, "x=64");
}

TEST(InstallerTagParserTest, UnreadablePiecesAreEmptyOthersStillCount) {
  std::string tag;
  // Length field larger than the OCTET STRING.
  const std::string overlong = Certificate(std::string(DummyCertificatePrefix()),
                                           std::string("\x00\x09", 2) + "abc");
  // One content byte only.
  const std::string tiny = Certificate(std::string(DummyCertificatePrefix()), "\x01");
  EXPECT_EQ(Extract(Image(SignedData(Der(0xA0, Dummy("a=1&") + overlong + tiny + Dummy("b=2")))),
                    &tag),
            CertificateTagStatus::kOk);
  EXPECT_EQ(tag, "a=1&b=2");
  // A TBSCertificate shorter than the prefix never matches, even when its
  // bytes are the prefix's beginning.
  const std::string short_tbs =
      Seq(Seq(std::string(DummyCertificatePrefix().substr(0, 100))) + Der(0x03, "\x00"));
  EXPECT_EQ(Extract(Image(SignedData(Der(0xA0, short_tbs + Dummy("c=3")))), &tag),
            CertificateTagStatus::kOk);
  EXPECT_EQ(tag, "c=3");
}

TEST(InstallerTagParserTest, MalformedCertificateSetsFailAsAWhole) {
  std::string tag;
  // The last element claims more than the set holds.
  const std::string inner = Dummy("a=1&") + std::string("\x30\x10", 2) + "short";
  EXPECT_EQ(Extract(Image(SignedData(Der(0xA0, inner))), &tag), CertificateTagStatus::kInvalidAsn1);
  EXPECT_EQ(tag, "");
  // Length forms: indefinite, five length bytes, four that overflow.
  for (const std::string bad : {std::string("\x30\x80", 2), std::string("\x30\x85\x01\x01\x01\x01\x01", 7),
                                std::string("\x30\x84\xFF\xFF\xFF\xF0", 6)}) {
    EXPECT_EQ(Extract(Image(SignedData(Der(0xA0, Dummy("a=1") + bad))), &tag),
              CertificateTagStatus::kInvalidAsn1);
  }
  // SignedData whose length runs past its parent.
  std::string pkcs7 = SignedData(Der(0xA0, Dummy("a=1")));
  const size_t content = pkcs7.find('\xA0');
  ASSERT_TRUE(pkcs7[content + 1] == '\x81' || pkcs7[content + 1] == '\x82');
  pkcs7[content + 2] = '\x7F';
  EXPECT_EQ(Extract(Image(pkcs7), &tag), CertificateTagStatus::kInvalidAsn1);
}

TEST(InstallerTagParserTest, BrokenImagesHaveNoCertificateTable) {
  std::string tag;
  const std::string good = Image(SignedData(Der(0xA0, Dummy("a=1"))));
  EXPECT_EQ(Extract(good.substr(0, 63), &tag), CertificateTagStatus::kNoCertificateTable);
  std::string bad = good;
  bad[129] = 'X';  // PE signature
  EXPECT_EQ(Extract(bad, &tag), CertificateTagStatus::kNoCertificateTable);
  bad = good;
  bad[128 + 25] = 0x05;  // magic
  EXPECT_EQ(Extract(bad, &tag), CertificateTagStatus::kNoCertificateTable);
  bad = good;
  PutLe32(bad, 60, 0xFFFFFFF0);  // e_lfanew far outside
  EXPECT_EQ(Extract(bad, &tag), CertificateTagStatus::kNoCertificateTable);
  bad = good;
  PutLe32(bad, 128 + 24 + 128, 0xFFFFFF00);  // table outside the file
  EXPECT_EQ(Extract(bad, &tag), CertificateTagStatus::kNoCertificateTable);
  bad = good;
  PutLe32(bad, 128 + 24 + 132, 0xFFFFFFF8);  // offset + size overflow
  EXPECT_EQ(Extract(bad, &tag), CertificateTagStatus::kNoCertificateTable);
  bad = good;
  PutLe32(bad, 128 + 24 + 128, 0);  // unsigned image
  PutLe32(bad, 128 + 24 + 132, 0);
  EXPECT_EQ(Extract(bad, &tag), CertificateTagStatus::kNoCertificateTable);
  bad = good;
  bad[512 + 9] = '\x80';  // outer PKCS#7 length form
  EXPECT_EQ(Extract(bad, &tag), CertificateTagStatus::kNoCertificateTable);
  // The table truncated by the file's end.
  EXPECT_EQ(Extract(good.substr(0, good.size() - 8), &tag), CertificateTagStatus::kNoCertificateTable);
}

TEST(InstallerTagParserTest, AppendedBlockAfterThePkcs7Blob) {
  // Enough certificates for a two-byte DER length (the only form read).
  const std::string pkcs7 = SignedData(Der(0xA0, Ordinary()));
  ASSERT_EQ(static_cast<unsigned char>(pkcs7[1]), 0x82);
  EXPECT_EQ(FindAppendedTag(Image(pkcs7, KectAfter(pkcs7, Kect("brand=x&lang=ru")))),
            "brand=x&lang=ru");
  EXPECT_EQ(FindAppendedTag(Image(pkcs7, KectAfter(pkcs7, Kect("w=64")), true)), "w=64");
  EXPECT_EQ(FindAppendedTag(Image(pkcs7, KectAfter(pkcs7, Kect("")))), "");
  EXPECT_EQ(FindAppendedTag(Image(pkcs7)), std::nullopt);
  EXPECT_EQ(FindAppendedTag(Image(pkcs7, KectAfter(pkcs7, "Kecx" + Piece("a=1")))), std::nullopt);
  // A block whose length runs past the end of the file, by one byte.
  std::string image = Image(pkcs7, KectAfter(pkcs7, Kect("abcdefgh")));
  const size_t block = image.find("Kect");
  image.resize(block + 6 + 8);
  EXPECT_EQ(FindAppendedTag(image), "abcdefgh");
  image.resize(image.size() - 1);
  EXPECT_EQ(FindAppendedTag(image), std::nullopt);
  // Only its magic inside the file.
  EXPECT_EQ(FindAppendedTag(image.substr(0, block + 5)), std::nullopt);
  // One-byte DER length form: not read.
  const std::string small = SignedData(Der(0xA0, ""));
  EXPECT_EQ(FindAppendedTag(Image(small, KectAfter(small, Kect("a=1")))), std::nullopt);
}

class InstallerTagFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = base::MakeUniqueFileName(base::GetTempDir(), L"tag", L".exe");
  }
  void TearDown() override { base::DeleteFileIfExists(path_); }
  std::wstring path_;
};

TEST_F(InstallerTagFileTest, ReadsBothCarriersFromAFile) {
  const std::string pkcs7 = SignedData(Der(0xA0, Ordinary() + Dummy("from=cert")));
  ASSERT_TRUE(base::WriteStringToFile(path_, Image(pkcs7, KectAfter(pkcs7, Kect("from=block")))));
  testing_support::LogCapture log;
  EXPECT_EQ(ExtractTagFromFakeCertificate(path_), "from=cert");
  EXPECT_EQ(ReadAppendedTag(path_), "from=block");
  EXPECT_TRUE(log.records().empty()) << log.Dump();
}

TEST_F(InstallerTagFileTest, FailuresAreLoggedAndEmpty) {
  const std::string path = base::WideToUtf8(path_);
  {
    testing_support::LogCapture log;
    EXPECT_EQ(ExtractTagFromFakeCertificate(path_), "");
    EXPECT_EQ(ReadAppendedTag(path_), "");
    EXPECT_TRUE(log.HasPrefix("Can't open file " + path + " - 2, "));
    EXPECT_TRUE(log.HasPrefix("Failed to read file " + path + " - "));
  }
  {
    ASSERT_TRUE(base::WriteStringToFile(path_, "MZ not a PE file at all, but long enough to pass "
                                               "the first size check of the reader"));
    testing_support::LogCapture log;
    EXPECT_EQ(ExtractTagFromFakeCertificate(path_), "");
    EXPECT_TRUE(log.HasPrefix("Failed to find certificate table in " + path + " - "));
    EXPECT_EQ(std::string(log.records()[0].function), "ExtractTagFromFakeCertificate");
    EXPECT_EQ(log.records()[0].severity, base::LOG_ERROR);
  }
  {
    const std::string inner = Dummy("a=1&") + std::string("\x30\x10", 2) + "short";
    ASSERT_TRUE(base::WriteStringToFile(path_, Image(SignedData(Der(0xA0, inner)))));
    testing_support::LogCapture log;
    EXPECT_EQ(ExtractTagFromFakeCertificate(path_), "");
    EXPECT_TRUE(log.HasPrefix("Invalid ASN1 format of certificate table in " + path + " - "));
  }
}

}  // namespace
}  // namespace lite_installer
