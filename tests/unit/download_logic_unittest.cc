#include "installer/util/download_logic.h"

#include <gtest/gtest.h>

namespace installer_util {
namespace {

TEST(DownloadLogicTest, ErrorCodesJoinPrefixAndNumbers) {
  EXPECT_EQ(DownloadErrorCode(kInternetReadError, 12002), "internet_read-12002");
  EXPECT_EQ(DownloadErrorCode(kInternetOpenUrlError, 0), "internet_open_url-0");
  EXPECT_EQ(FinalQueryInfoErrorCode(404, 0), "final_query_info-404-0");
  EXPECT_EQ(FinalQueryInfoErrorCode(0, 12150), "final_query_info-0-12150");
}

TEST(DownloadLogicTest, FractionIsBoundedAndZeroWithoutLength) {
  EXPECT_EQ(DownloadFraction(10, 0), 0.0f);
  EXPECT_FLOAT_EQ(DownloadFraction(1, 4), 0.25f);
  EXPECT_EQ(DownloadFraction(4, 4), 1.0f);
  EXPECT_EQ(DownloadFraction(9, 4), 1.0f);
  EXPECT_LT(DownloadFraction(0xFFFFFFFE, 0xFFFFFFFF), 1.0f + 1e-6f);
}

TEST(DownloadLogicTest, RemainingTimeUsesSixtyFourBitArithmetic) {
  EXPECT_EQ(EstimateRemainingMs(60000, 400, 100), 180000u);
  EXPECT_EQ(EstimateRemainingMs(60000, 400, 0), 0u);
  EXPECT_EQ(EstimateRemainingMs(60000, 400, 400), 0u);
  EXPECT_EQ(EstimateRemainingMs(60000, 400, 500), 0u);  // more than announced
  // 4e9 ms x (4e9 - 1) bytes would overflow 32 bits many times over.
  EXPECT_EQ(EstimateRemainingMs(4000000000u, 4000000000u, 1), 4000000000ull * 3999999999ull);
}

TEST(DownloadProgressTrackerTest, NoLengthReportsNothing) {
  DownloadProgressTracker t(1000);
  const auto step = t.OnChunk(200000, 5000, 0);
  EXPECT_FALSE(step.report_fraction);
  EXPECT_FALSE(step.report_estimate);
}

TEST(DownloadProgressTrackerTest, EstimatesAtMostOncePerMinute) {
  DownloadProgressTracker t(1000);
  auto step = t.OnChunk(2000, 100, 1000);
  EXPECT_TRUE(step.report_fraction);
  EXPECT_FLOAT_EQ(step.fraction, 0.1f);
  EXPECT_FALSE(step.report_estimate);

  step = t.OnChunk(1000 + 59999, 200, 1000);
  EXPECT_FALSE(step.report_estimate);

  step = t.OnChunk(1000 + 60000, 250, 1000);  // a quarter after one minute
  ASSERT_TRUE(step.report_estimate);
  EXPECT_EQ(step.remaining_seconds, 180);
  EXPECT_TRUE(step.slow);  // 180 + 60 > 120

  step = t.OnChunk(1000 + 119999, 500, 1000);
  EXPECT_FALSE(step.report_estimate);
  step = t.OnChunk(1000 + 120000, 990, 1000);
  ASSERT_TRUE(step.report_estimate);
  EXPECT_EQ(step.remaining_seconds, 1);  // 120000 x 10 / 990 ms
  EXPECT_TRUE(step.slow);                // 1 + 120 > 120
}

TEST(DownloadProgressTrackerTest, FastDownloadIsNotSlow) {
  DownloadProgressTracker t(0);
  const auto step = t.OnChunk(60000, 900, 1000);
  ASSERT_TRUE(step.report_estimate);
  EXPECT_EQ(step.remaining_seconds, 6);  // 60000 x 100 / 900 ms = 6666 ms
  EXPECT_FALSE(step.slow);               // 6 + 60 <= 120
}

TEST(DownloadProgressTrackerTest, EmptySinkGivesFractionButNoEstimate) {
  DownloadProgressTracker t(0);
  const auto step = t.OnChunk(100000, 0, 1000);
  EXPECT_TRUE(step.report_fraction);
  EXPECT_EQ(step.fraction, 0.0f);
  EXPECT_FALSE(step.report_estimate);
}

TEST(DownloadProgressTrackerTest, ResumedBytesCountButElapsedIsThisAttempt) {
  // 900 of 1000 bytes were held before this attempt started; after a minute
  // 950 are in: the remaining 50 bytes take 60000 x 50 / 950 ms.
  DownloadProgressTracker t(5000);
  const auto step = t.OnChunk(65000, 950, 1000);
  ASSERT_TRUE(step.report_estimate);
  EXPECT_EQ(step.remaining_seconds, 3);
  EXPECT_FLOAT_EQ(step.fraction, 0.95f);
}

TEST(DownloadProgressTrackerTest, TickWrapAroundKeepsElapsedTime) {
  DownloadProgressTracker t(0xFFFFF000u);
  const auto step = t.OnChunk(0xFFFFF000u + 60000u, 500, 1000);  // wraps past zero
  ASSERT_TRUE(step.report_estimate);
  EXPECT_EQ(step.remaining_seconds, 60);
}

TEST(ContentRangeTest, Parses) {
  uint64_t a = 0, b = 0, t = 0;
  ASSERT_TRUE(ParseContentRange("bytes 100-199/1000", &a, &b, &t));
  EXPECT_EQ(a, 100u);
  EXPECT_EQ(b, 199u);
  EXPECT_EQ(t, 1000u);
  ASSERT_TRUE(ParseContentRange("  bytes  0-0/*\r\n", &a, &b, &t));
  EXPECT_EQ(t, 0u);
  for (const char* bad : {"", "bytes", "bytes */1000", "bytes 5-4/10", "bytes 0-10/10",
                          "items 0-1/10", "bytes -1-4/10", "bytes 1-x/10", "bytes 0-1",
                          "bytes 1-2/3/4", "bytes 0-1/-5"}) {
    EXPECT_FALSE(ParseContentRange(bad, &a, &b, &t)) << bad;
  }
}

TEST(ContentRangeTest, RangeAnswerDecisions) {
  EXPECT_EQ(ClassifyRangeAnswer(206, "bytes 100-999/1000", 100), RangeAnswer::kContinue);
  EXPECT_EQ(ClassifyRangeAnswer(206, "bytes 100-999/*", 100), RangeAnswer::kContinue);
  EXPECT_EQ(ClassifyRangeAnswer(206, "bytes 0-999/1000", 100), RangeAnswer::kRefuse);
  EXPECT_EQ(ClassifyRangeAnswer(206, "bytes 101-999/1000", 100), RangeAnswer::kRefuse);
  EXPECT_EQ(ClassifyRangeAnswer(206, "", 100), RangeAnswer::kRefuse);
  EXPECT_EQ(ClassifyRangeAnswer(200, "", 100), RangeAnswer::kRestart);
  EXPECT_EQ(ClassifyRangeAnswer(416, "bytes */50", 100), RangeAnswer::kRefuse);
  EXPECT_EQ(ClassifyRangeAnswer(404, "", 100), RangeAnswer::kStatus);
  EXPECT_EQ(ClassifyRangeAnswer(500, "", 100), RangeAnswer::kStatus);
  EXPECT_EQ(RangeRequestHeaders(123456), L"Range: bytes=123456-");
}

TEST(RedirectRulesTest, StatusAndDowngrade) {
  for (uint32_t s : {301u, 302u, 303u, 307u, 308u}) EXPECT_TRUE(IsRedirectStatus(s)) << s;
  for (uint32_t s : {200u, 204u, 206u, 300u, 304u, 305u, 404u}) EXPECT_FALSE(IsRedirectStatus(s)) << s;
  EXPECT_TRUE(IsSchemeDowngrade("HTTPS://a/x", "http://b/y"));
  EXPECT_TRUE(IsSchemeDowngrade("https://a/x", "ftp://b/y"));
  EXPECT_FALSE(IsSchemeDowngrade("https://a/x", "Https://b/y"));
  EXPECT_FALSE(IsSchemeDowngrade("http://a/x", "http://b/y"));
  EXPECT_FALSE(IsSchemeDowngrade("http://a/x", "https://b/y"));
}

TEST(RedirectRulesTest, HeaderlessResponse) {
  EXPECT_TRUE(IsHeaderlessResponse("HTTP/1.0 200 OK\r\n\r\n"));
  EXPECT_TRUE(IsHeaderlessResponse(""));
  EXPECT_FALSE(IsHeaderlessResponse("HTTP/1.1 200 OK\r\nServer: x\r\n\r\n"));
}

}  // namespace
}  // namespace installer_util
