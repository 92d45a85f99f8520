// The download client's bounds without the network: body caps, the 32-bit
// arithmetic of resumed downloads, and which brand URLs may be fetched.
#include <gtest/gtest.h>

#include <cstdint>

#include "installer/config/brand_info.h"
#include "installer/util/download_logic.h"
#include "tests/unit/log_capture.h"

namespace installer_util {
namespace {

constexpr uint64_t kCap = 4u << 20;
constexpr uint64_t kFourGiB = 1ull << 32;

TEST(BodyCapTest, AnAnnouncedLengthIsJudgedAgainstTheCap) {
  EXPECT_TRUE(DeclaredLengthFits(0, kCap));  // no length: judged while reading
  EXPECT_TRUE(DeclaredLengthFits(kCap, kCap));
  EXPECT_FALSE(DeclaredLengthFits(kCap + 1, kCap));
  EXPECT_FALSE(DeclaredLengthFits(100u << 20, kCap));  // a 100 MiB seed
  EXPECT_TRUE(DeclaredLengthFits(UINT64_MAX, 0));      // no cap
}

TEST(BodyCapTest, ABodyWithoutLengthStopsWhenTheNextChunkWouldPassTheCap) {
  EXPECT_TRUE(BodyFits(0, 32768, kCap));
  EXPECT_TRUE(BodyFits(kCap - 32768, 32768, kCap));  // exactly the cap
  EXPECT_FALSE(BodyFits(kCap - 32767, 32768, kCap));
  EXPECT_FALSE(BodyFits(kCap + 1, 0, kCap));  // already past it
  // Near the top of the range the sum is never formed, so it cannot wrap.
  EXPECT_FALSE(BodyFits(UINT64_MAX - 1, 10, UINT64_MAX - 5));
  EXPECT_TRUE(BodyFits(UINT64_MAX - 10, 10, UINT64_MAX));
  EXPECT_TRUE(BodyFits(UINT64_MAX, UINT64_MAX, 0));  // no cap
}

TEST(BodyCapTest, RefusalsHaveSmallDistinctCodesAndNameTheUrlAndTheCap) {
  EXPECT_EQ(DownloadErrorCode(kBodyTooLargeError, kBodyDeclaredAboveCap), "body_too_large-1");
  EXPECT_EQ(DownloadErrorCode(kBodyTooLargeError, kBodyGrewAboveCap), "body_too_large-2");
  EXPECT_EQ(DownloadErrorCode(kBodyTooLargeError, kBodyBeyond32Bits), "body_too_large-3");
  EXPECT_EQ(BodyRefusalText(kBodyDeclaredAboveCap, "http://h/seed", 104857600, kCap),
            "Refused http://h/seed: Content-Length 104857600 is above the cap of 4194304 bytes");
  EXPECT_EQ(BodyRefusalText(kBodyGrewAboveCap, "http://h/x2/02.jpg", 2097153, 2097152),
            "Refused http://h/x2/02.jpg: the body grew past 2097153 bytes, above the cap of "
            "2097152 bytes");
  EXPECT_EQ(BodyRefusalText(kBodyBeyond32Bits, "http://h/a.arc", 5368709120, 0),
            "Refused http://h/a.arc: 5368709120 bytes do not fit the 32-bit byte counts");
}

TEST(ByteCountTest, ContentLengthIsReadInSixtyFourBits) {
  uint64_t n = 0;
  ASSERT_TRUE(ParseContentLength("104857600", &n));
  EXPECT_EQ(n, 104857600u);
  ASSERT_TRUE(ParseContentLength(" 4294967297\r\n", &n));
  EXPECT_EQ(n, kFourGiB + 1);  // a DWORD would read 1
  ASSERT_TRUE(ParseContentLength("18446744073709551615", &n));
  EXPECT_EQ(n, UINT64_MAX);
  for (const char* bad : {"", " ", "-1", "+5", "12a", "0x10", "1 2", "18446744073709551616"})
    EXPECT_FALSE(ParseContentLength(bad, &n)) << bad;
}

TEST(ByteCountTest, TheWholeLengthOfAResumedBodyMustFitThirtyTwoBits) {
  uint32_t total = 7;
  ASSERT_TRUE(TotalBodyLength(0, 1000, &total));
  EXPECT_EQ(total, 1000u);
  ASSERT_TRUE(TotalBodyLength(1000, 500, &total));  // a 206 after 1000 held bytes
  EXPECT_EQ(total, 1500u);
  ASSERT_TRUE(TotalBodyLength(0, UINT32_MAX, &total));
  EXPECT_EQ(total, UINT32_MAX);
  ASSERT_TRUE(TotalBodyLength(UINT32_MAX, 0, &total));
  total = 7;
  EXPECT_FALSE(TotalBodyLength(1, UINT32_MAX, &total));
  EXPECT_FALSE(TotalBodyLength(0x80000000u, 0x80000000u, &total));  // exactly 4 GiB
  EXPECT_FALSE(TotalBodyLength(0, kFourGiB, &total));
  EXPECT_FALSE(TotalBodyLength(100, UINT64_MAX, &total));
  EXPECT_EQ(total, 7u);  // untouched by a refusal
}

TEST(ByteCountTest, BytesBeyondTheBodyAreDroppedWithoutWrapping) {
  EXPECT_EQ(BytesWithinBody(32768, 0, 0), 32768u);  // length unknown
  EXPECT_EQ(BytesWithinBody(100, 950, 1000), 50u);
  EXPECT_EQ(BytesWithinBody(100, 0, 1000), 100u);
  EXPECT_EQ(BytesWithinBody(100, 1000, 1000), 0u);
  // A sink that holds more than the answer announces: nothing is taken
  // (1000 - 2000 would wrap to almost 4 GiB).
  EXPECT_EQ(BytesWithinBody(100, 2000, 1000), 0u);
  EXPECT_EQ(BytesWithinBody(32768, UINT32_MAX - 10, UINT32_MAX), 10u);
}

TEST(ByteCountTest, ASinkCountNeverPassesThirtyTwoBits) {
  EXPECT_TRUE(FitsByteCount(0, 32768));
  EXPECT_TRUE(FitsByteCount(UINT32_MAX - 5, 5));
  EXPECT_FALSE(FitsByteCount(UINT32_MAX - 5, 6));
  EXPECT_TRUE(FitsByteCount(UINT32_MAX, 0));
  EXPECT_FALSE(FitsByteCount(UINT32_MAX, 1));
}

TEST(ByteCountTest, ARangeWhoseEndOrTotalPassesFourGiBIsTooLarge) {
  EXPECT_EQ(ClassifyRangeAnswer(206, "bytes 100-199/5368709120", 100), RangeAnswer::kTooLarge);
  EXPECT_EQ(ClassifyRangeAnswer(206, "bytes 100-4294967295/*", 100), RangeAnswer::kTooLarge);
  EXPECT_EQ(ClassifyRangeAnswer(206, "bytes 100-4294967294/4294967295", 100),
            RangeAnswer::kContinue);
  EXPECT_EQ(ClassifyRangeAnswer(206, "bytes 100-4294967294/*", 100), RangeAnswer::kContinue);
  // A range from elsewhere is refused whatever its size.
  EXPECT_EQ(ClassifyRangeAnswer(206, "bytes 0-99/5368709120", 100), RangeAnswer::kRefuse);
}

TEST(BrandUrlTest, ReleaseTakesOnlyHttpsAndTestsAlsoPlainHttp) {
  for (bool plain_http_allowed : {false, true}) {
    EXPECT_TRUE(IsBrandDownloadUrlAllowed("https://cdn.example/setup.arc", plain_http_allowed));
    EXPECT_TRUE(IsBrandDownloadUrlAllowed("HTTPS://cdn.example/x2/", plain_http_allowed));
    for (const char* never : {"ftp://cdn.example/a", "file:///C:/a", "httpx://a", "http", "", "//a"})
      EXPECT_FALSE(IsBrandDownloadUrlAllowed(never, plain_http_allowed)) << never;
  }
  EXPECT_FALSE(IsBrandDownloadUrlAllowed("http://cdn.example/setup.arc", false));
  EXPECT_FALSE(IsBrandDownloadUrlAllowed("Http://cdn.example/setup.arc", false));
  EXPECT_TRUE(IsBrandDownloadUrlAllowed("http://localhost:18080/setup.arc", true));
}

TEST(BrandUrlTest, ThisTestConfigurationTakesPlainHttpAndLogsARefusal) {
  testing_support::LogCapture log;
  EXPECT_TRUE(lite_installer::AllowBrandDownloadUrl("http://localhost/a.arc", "setup"));
  EXPECT_TRUE(lite_installer::AllowBrandDownloadUrl("https://localhost/a.arc", "setup"));
  EXPECT_TRUE(log.records().empty());
  EXPECT_FALSE(lite_installer::AllowBrandDownloadUrl("ftp://localhost/x2/", "slide"));
  EXPECT_TRUE(log.Has("Refused slide url (only https is allowed): ftp://localhost/x2/"))
      << log.Dump();
}

}  // namespace
}  // namespace installer_util
