#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/files.h"
#include "base/strings.h"
#include "installer/config/brand_info.h"
#include "installer/config/brand_packages.h"
#include "installer/util/registry.h"
#include "tests/unit/log_capture.h"

namespace lite_installer {
namespace {

void Put16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& s, uint32_t v) {
  for (int k = 0; k < 4; ++k) s.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
}

// An uncompressed cabinet: one folder, the files in order.
std::string StoredCabinet(const std::vector<std::pair<std::string, std::string>>& files) {
  std::string data;
  for (const auto& f : files) data += f.second;
  std::string entries;
  uint32_t offset = 0;
  for (const auto& [name, content] : files) {
    Put32(entries, static_cast<uint32_t>(content.size()));
    Put32(entries, offset);
    Put16(entries, 0);       // folder
    Put16(entries, 0x4221);  // date
    Put16(entries, 0);       // time
    Put16(entries, 0x20);    // attributes
    entries += name;
    entries.push_back('\0');
    offset += static_cast<uint32_t>(content.size());
  }
  std::string blocks;
  uint16_t block_count = 0;
  for (size_t at = 0; at < data.size() || block_count == 0; at += 32768) {
    const std::string chunk = data.substr(at, 32768);
    Put32(blocks, 0);  // no checksum
    Put16(blocks, static_cast<uint16_t>(chunk.size()));
    Put16(blocks, static_cast<uint16_t>(chunk.size()));
    blocks += chunk;
    ++block_count;
    if (data.empty()) break;
  }
  const uint32_t header_size = 36, folder_size = 8;
  const uint32_t files_at = header_size + folder_size;
  const uint32_t data_at = files_at + static_cast<uint32_t>(entries.size());
  std::string cab = "MSCF";
  Put32(cab, 0);
  Put32(cab, data_at + static_cast<uint32_t>(blocks.size()));
  Put32(cab, 0);
  Put32(cab, files_at);
  Put32(cab, 0);
  cab.push_back(3);  // version 1.3
  cab.push_back(1);
  Put16(cab, 1);  // folders
  Put16(cab, static_cast<uint16_t>(files.size()));
  Put16(cab, 0);  // flags
  Put16(cab, 0x1234);
  Put16(cab, 0);
  Put32(cab, data_at);
  Put16(cab, block_count);
  Put16(cab, 0);  // no compression
  return cab + entries + blocks;
}

TEST(ExtractCabinetTest, TheBuiltInPackageIsASignedDocument) {
  const std::string package = LoadBinResource(kBrandPackageResourceId);
  ASSERT_GT(package.size(), 40u);
  EXPECT_EQ(package.substr(0, 4), "MSCF");
  std::map<std::string, std::string> files;
  ASSERT_TRUE(ExtractCabinet(package, "", &files));
  ASSERT_EQ(files.size(), 1u);
  const std::string& text = files["brand_config"];
  ASSERT_GT(text.size(), 175u);
  EXPECT_EQ(text.substr(0, 2), "//");
  EXPECT_EQ(text.find('\n'), 174u);  // "//" and 172 Base64 characters
  EXPECT_EQ(text[175], '{');
  // Absent resources are empty.
  EXPECT_EQ(LoadBinResource(kPartnerPackageResourceId), "");
  EXPECT_EQ(LoadBinResource(L"BRAND_NO_SUCH"), "");
}

TEST(ExtractCabinetTest, FilterTakesOnlyTheNamedFile) {
  const std::string cab = StoredCabinet({{"readme.txt", "hello"},
                                         {"brand_config", "{\"brand_id\": \"multi\"}"},
                                         {"Brand_Config", "other case"}});
  std::map<std::string, std::string> files;
  ASSERT_TRUE(ExtractCabinet(cab, "", &files));
  EXPECT_EQ(files.size(), 3u);
  EXPECT_EQ(files["readme.txt"], "hello");
  ASSERT_TRUE(ExtractCabinet(cab, "brand_config", &files));
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files["brand_config"], "{\"brand_id\": \"multi\"}");

  // A file spanning several data blocks comes out whole.
  std::string big(100000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
  ASSERT_TRUE(ExtractCabinet(StoredCabinet({{"big", big}}), "big", &files));
  EXPECT_EQ(files["big"], big);
}

TEST(ExtractCabinetTest, GarbageTruncatedAndOversizedCabinetsFail) {
  std::map<std::string, std::string> files;
  EXPECT_FALSE(ExtractCabinet("", "", &files));
  EXPECT_FALSE(ExtractCabinet("this is no cabinet at all, just text", "", &files));
  EXPECT_TRUE(files.empty());
  const std::string package = LoadBinResource(kBrandPackageResourceId);
  for (size_t cut : {size_t{10}, size_t{40}, package.size() / 2, package.size() - 1}) {
    EXPECT_FALSE(ExtractCabinet(package.substr(0, cut), "brand_config", &files)) << cut;
    EXPECT_EQ(files.count("brand_config"), 0u) << cut;
  }
  std::string corrupt = package;
  for (size_t i = corrupt.size() / 2; i < corrupt.size(); ++i) corrupt[i] = '\x5A';
  EXPECT_FALSE(ExtractCabinet(corrupt, "brand_config", &files));
  // A file beyond the size a package may have is refused, not allocated.
  EXPECT_FALSE(ExtractCabinet(StoredCabinet({{"huge", std::string(9 * 1024 * 1024, 'h')}}), "",
                              &files));
  EXPECT_EQ(files.count("huge"), 0u);
}

TEST(ApplyPackageTest, MergesTheEntryOnlyWhenItIsThere) {
  testing_support::LogCapture log;
  BrandInfo brand;
  ApplyPackage(brand, StoredCabinet({{"partner_config", "{\"brand_id\": \"wrong entry\"}"}}),
               "brand_config");
  ApplyPackage(brand, "garbage", "brand_config");
  EXPECT_EQ(brand.brand_id, "");
  EXPECT_TRUE(log.records().empty()) << log.Dump();
  ApplyPackage(brand, StoredCabinet({{"brand_config", "// sig\n{\"brand_id\": \"b\"}"}}),
               "brand_config");
  EXPECT_EQ(brand.brand_id, "b");
  EXPECT_TRUE(log.Has("Brand id: b", "LogBrandInfo"));
}

TEST(AutodetectTest, TableRowsInOrder) {
  EXPECT_EQ(DetectBrandName("RU", "uk"), "ua_uk");
  EXPECT_EQ(DetectBrandName("RU", "en"), "kelmor");
  EXPECT_EQ(DetectBrandName("UA", "ru"), "ua_ru");
  EXPECT_EQ(DetectBrandName("UA", "en"), "ua_uk");
  EXPECT_EQ(DetectBrandName("TR", "ru"), "tb");
  EXPECT_EQ(DetectBrandName("DE", "ru"), "kelmor");
  EXPECT_EQ(DetectBrandName("", "uk"), "ua_uk");
  EXPECT_EQ(DetectBrandName("DE", "tr"), "tb");
  EXPECT_EQ(DetectBrandName("DE", "en"), "");
  EXPECT_EQ(DetectBrandName("ru", "en"), "");  // exact case
}

class GetInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_ = base::CreateUniqueTempDirectory(L"brand") + L"\\";
  }
  void TearDown() override {
    RemoveStoredBrand();
    base::DeleteDirectoryRecursive(temp_.substr(0, temp_.size() - 1));
  }
  std::vector<std::string> Texts(const testing_support::LogCapture& log, const char* tag) {
    std::vector<std::string> out;
    for (const auto& r : log.records())
      if (std::string(r.function) == tag) out.push_back(r.text);
    return out;
  }
  std::wstring temp_;
};

TEST_F(GetInfoTest, NoSwitchTakesTheDefaultPackage) {
  testing_support::LogCapture log;
  BrandInfo brand(temp_);
  GetInfo(brand, "");
  const std::string package = LoadBinResource(kBrandPackageResourceId);
  const std::string dir = base::WideToUtf8(temp_);
  EXPECT_EQ(Texts(log, "GetInfo"),
            (std::vector<std::string>{"Brand package path: " + dir + "BrandFile",
                                      "Partner package path: " + dir + "PartnerFile"}));
  EXPECT_EQ(Texts(log, "GetInfoFromResources"),
            (std::vector<std::string>{"Partner package is empty.", "Fetching default package",
                                      "Extract Brand package: " + dir + "BrandFile [" +
                                          std::to_string(package.size()) + "B]"}));
  EXPECT_EQ(Texts(log, "Clear").size(), 2u);
  EXPECT_EQ(base::ReadFileToString(temp_ + L"BrandFile").value_or(""), package);
  EXPECT_FALSE(base::PathExists(temp_ + L"PartnerFile"));
  EXPECT_TRUE(brand.brand_package_loaded);
  EXPECT_FALSE(brand.partner_package_loaded);
  EXPECT_EQ(brand.brand_id, "kelmor");

  // The next acquisition removes the brand values an earlier installer stored.
  installer_util::StoreValue(L"brand", L"kelmor");
  installer_util::StoreValue(L"BrandFile", temp_ + L"BrandFile");
  installer_util::StoreValue(L"PartnerFile", temp_ + L"PartnerFile");
  GetInfo(brand, "");
  EXPECT_EQ(installer_util::ReadValue(L"brand"), L"");
  EXPECT_EQ(installer_util::ReadValue(L"BrandFile"), L"");
  EXPECT_EQ(installer_util::ReadValue(L"PartnerFile"), L"");
}

TEST_F(GetInfoTest, NamedBrandWithoutResourceFallsBackToTheDefault) {
  for (const char* name : {"ua_uk", "AUTO"}) {
    testing_support::LogCapture log;
    BrandInfo brand(temp_);
    GetInfo(brand, name);
    const std::vector<std::string> lines = Texts(log, "GetInfoFromResources");
    ASSERT_GE(lines.size(), 3u) << log.Dump();
    EXPECT_EQ(lines[1], std::string("Fetching defined") + name + " package");
    EXPECT_EQ(lines[2], "Fetching default package");
    EXPECT_EQ(brand.brand_id, "kelmor");
    EXPECT_TRUE(Texts(log, "AutodetectBrandName").empty());
  }
}

TEST_F(GetInfoTest, AutoAsksTheDetection) {
  testing_support::LogCapture log;
  BrandInfo brand(temp_);
  GetInfo(brand, "auto");
  const std::vector<std::string> detection = Texts(log, "AutodetectBrandName");
  ASSERT_EQ(detection.size(), 3u) << log.Dump();
  EXPECT_EQ(detection[0].rfind("User region: ", 0), 0u);
  EXPECT_EQ(detection[1], "User locale: " + InterfaceLanguageCode());
  const std::vector<std::string> lines = Texts(log, "GetInfoFromResources");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1].rfind("Fetching autodetected ", 0), 0u) << lines[1];
  // This executable carries no named brand, so the default one is used.
  EXPECT_EQ(lines[2], "Fetching default package");
}

}  // namespace
}  // namespace lite_installer
