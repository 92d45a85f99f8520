// The background slide show without network or real time: the rotation and
// wrap rules, the fetch numbering, the downloader's ten-failure stop and
// decoding, and SlideShow's clock, counter and painting.
#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/logging.h"
#include "base/strings.h"
#include "installer/ui/slides/slide_rotation.h"
#include "installer/ui/slides/slide_show.h"
#include "tests/unit/solid_picture.h"

namespace lite_installer {
namespace {

// ---------------------------------------------------------------- rotation

std::vector<int> Sequence(SlideRotation& rotation, size_t count, int first, int last) {
  std::vector<int> shown;
  for (int counter = first; counter <= last; ++counter) shown.push_back(rotation.IndexFor(counter, count));
  return shown;
}

TEST(SlideRotationTest, OneInitialPictureIsShownEveryRound) {
  SlideRotation rotation(1);
  EXPECT_FALSE(rotation.several_initial());
  EXPECT_EQ(rotation.initial_left(), 0);
  EXPECT_EQ(Sequence(rotation, 1, 0, 4), (std::vector<int>{0, 0, 0, 0, 0}));
  EXPECT_EQ(Sequence(rotation, 3, 5, 10), (std::vector<int>{2, 0, 1, 2, 0, 1}));
}

TEST(SlideRotationTest, TheWindowBackgroundOfTwoInitialPicturesIsShownOnlyOnce) {
  SlideRotation rotation(2);
  EXPECT_TRUE(rotation.several_initial());
  EXPECT_EQ(rotation.initial_left(), 1);
  // Two initial pictures and three fetched ones: 0, 1, 2, 3, 4, then 1..4.
  EXPECT_EQ(Sequence(rotation, 5, 0, 13), (std::vector<int>{0, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1}));
  EXPECT_EQ(rotation.offset(), 3);
  EXPECT_EQ(rotation.initial_left(), 0);  // lowered once, never below 0
  EXPECT_TRUE(rotation.wrapped_once());
}

TEST(SlideRotationTest, TwoInitialPicturesAloneKeepShowingTheFirstSlide) {
  SlideRotation rotation(2);
  EXPECT_EQ(Sequence(rotation, 2, 0, 5), (std::vector<int>{0, 1, 1, 1, 1, 1}));
}

TEST(SlideRotationTest, PicturesArrivingLateJoinTheRotation) {
  SlideRotation rotation(2);
  EXPECT_EQ(Sequence(rotation, 2, 0, 1), (std::vector<int>{0, 1}));
  // 02.jpg arrives: index 2 of 3.
  EXPECT_EQ(Sequence(rotation, 3, 2, 6), (std::vector<int>{2, 1, 2, 1, 2}));
}

TEST(SlideRotationTest, EmptyListHasNoPicture) {
  SlideRotation rotation(0);
  EXPECT_EQ(rotation.IndexFor(0, 0), -1);
  EXPECT_EQ(rotation.IndexFor(7, 0), -1);
}

TEST(SlideRotationTest, FileNamesAndAddresses) {
  EXPECT_EQ(NextSlideNumber(0), 2);
  EXPECT_EQ(NextSlideNumber(8), 10);
  EXPECT_EQ(SlideFileName(2), "02.jpg");
  EXPECT_EQ(SlideFileName(9), "09.jpg");
  EXPECT_EQ(SlideFileName(10), "10.jpg");
  EXPECT_EQ(SlideFileName(123), "123.jpg");
  EXPECT_EQ(SlideUrl(L"http://h/browser/installer/facetune/en/", NextSlideNumber(0)),
            L"http://h/browser/installer/facetune/en/x2/02.jpg");
}

TEST(SlideDestinationTest, BottomAlignedAtTheLeftAndClippedOnTheRight) {
  const RECT small = SlideDestination({728, 400}, {500, 268});
  EXPECT_EQ(small.left, 0);
  EXPECT_EQ(small.top, 132);
  EXPECT_EQ(small.right, 500);
  EXPECT_EQ(small.bottom, 400);
  const RECT wide = SlideDestination({728, 400}, {1000, 450});
  EXPECT_EQ(wide.right, 728);
  EXPECT_EQ(wide.top, -50);
  EXPECT_EQ(wide.bottom, 400);
}

// ---------------------------------------------------------------- pictures

using testing_support::SolidPicture;


class GdiplusTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token_, &input, nullptr);
  }
  static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(token_); }

  static ResourceBitmap Solid(int width, int height, COLORREF colour) {
    return SolidPicture(width, height, colour);
  }

  // A JPEG file of one colour, made with GDI+'s encoder.
  static std::string Jpeg(int width, int height, COLORREF colour) {
    Gdiplus::Bitmap picture(width, height, PixelFormat32bppRGB);
    {
      Gdiplus::Graphics graphics(&picture);
      Gdiplus::SolidBrush fill(Gdiplus::Color(255, GetRValue(colour), GetGValue(colour), GetBValue(colour)));
      graphics.FillRectangle(&fill, 0, 0, width, height);
    }
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, codecs);
    CLSID jpeg = {};
    for (UINT i = 0; i < count; ++i)
      if (std::wstring(codecs[i].MimeType) == L"image/jpeg") jpeg = codecs[i].Clsid;
    IStream* stream = nullptr;
    ::CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    picture.Save(stream, &jpeg, nullptr);
    STATSTG stat = {};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::string bytes(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    stream->Release();
    return bytes;
  }

  static ULONG_PTR token_;
};
ULONG_PTR GdiplusTest::token_ = 0;

// Log records from any thread.
class SharedLog : public base::LogSink {
 public:
  void Emit(const base::LogRecord& record) override {
    std::lock_guard<std::mutex> hold(mutex_);
    lines_.push_back(std::string(record.function) + ": " + record.text);
  }
  std::vector<std::string> lines() {
    std::lock_guard<std::mutex> hold(mutex_);
    return lines_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

// A slide folder in memory: `served` maps the slide number to its bytes;
// every request is recorded.
class FakeFolder {
 public:
  std::map<int, std::string> served;
  std::atomic<bool> block_first{false};
  std::atomic<bool> first_gave_up_by_itself{false};

  SlideFetcher Fetcher() {
    return [this](const std::wstring& url, const installer_util::KeepGoing& keep_going,
                  std::string* body) {
      {
        std::lock_guard<std::mutex> hold(mutex_);
        urls_.push_back(base::WideToUtf8(url));
        times_us_.push_back(base::MonotonicMicros());
      }
      if (block_first.exchange(false)) {
        // A slide that never finishes: the source's limit must end it.
        const ULONGLONG end = ::GetTickCount64() + 30000;
        while (keep_going() && ::GetTickCount64() < end) ::Sleep(10);
        first_gave_up_by_itself = !keep_going();
        return false;
      }
      const std::string name = base::WideToUtf8(url.substr(url.size() - 6, 2));
      const auto number = base::ParseInt64(name);
      const auto it = number ? served.find(static_cast<int>(*number)) : served.end();
      if (it == served.end()) return false;
      *body = it->second;
      return true;
    };
  }

  std::vector<std::string> urls() {
    std::lock_guard<std::mutex> hold(mutex_);
    return urls_;
  }
  // When each request began (monotonic microseconds).
  std::vector<uint64_t> times_us() {
    std::lock_guard<std::mutex> hold(mutex_);
    return times_us_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> urls_;
  std::vector<uint64_t> times_us_;
};

constexpr wchar_t kBase[] = L"http://stand/browser/installer/facetune/en/";
// The worker's pause between requests in the tests that do not measure it.
constexpr DWORD kTestPauseMs = 1;

TEST_F(GdiplusTest, DecodingAtHalfTheScaleFactorShowsDoubleResolutionAtItsNaturalSizeOn2x) {
  const std::string jpeg = Jpeg(200, 100, RGB(200, 30, 30));
  const ResourceBitmap at1 = DecodeSlidePicture(jpeg, 0.5);
  EXPECT_EQ(at1.Width(), 100);
  EXPECT_EQ(at1.Height(), 50);
  const ResourceBitmap at2 = DecodeSlidePicture(jpeg, 1.0);
  EXPECT_EQ(at2.Width(), 200);
  EXPECT_EQ(at2.Height(), 100);
  EXPECT_TRUE(DecodeSlidePicture("not a picture at all", 1.0).empty());
  EXPECT_TRUE(DecodeSlidePicture(jpeg.substr(0, 40), 1.0).empty());
  EXPECT_TRUE(DecodeSlidePicture("", 1.0).empty());
}

TEST_F(GdiplusTest, WorkerStopsAfterTenFailuresInARowAndKeepsTheInitialPicture) {
  FakeFolder folder;
  SlideSource source({Solid(10, 10, RGB(1, 2, 3))}, kBase, 1.0, folder.Fetcher(), kTestPauseMs);
  ASSERT_TRUE(source.WaitForWorker(30000));
  EXPECT_FALSE(source.running());
  const auto urls = folder.urls();
  ASSERT_EQ(urls.size(), 10u);
  for (const auto& url : urls) EXPECT_EQ(url, "http://stand/browser/installer/facetune/en/x2/02.jpg");
  EXPECT_EQ(source.PictureCount(), 1u);
  EXPECT_EQ(source.PictureFor(0).Width(), 10);
  EXPECT_EQ(source.PictureFor(1).Width(), 10);
}

TEST_F(GdiplusTest, FetchedPicturesAreNumberedFromTwoAndASuccessResetsTheFailureCount) {
  FakeFolder folder;
  folder.served = {{2, Jpeg(24, 8, RGB(200, 0, 0))}, {3, Jpeg(26, 8, RGB(0, 200, 0))},
                   {4, Jpeg(28, 8, RGB(0, 0, 200))}};
  SlideSource source({Solid(10, 4, 0), Solid(11, 4, 0)}, kBase, 1.0, folder.Fetcher(),
                     kTestPauseMs);
  ASSERT_TRUE(source.WaitForWorker(30000));
  const auto urls = folder.urls();
  ASSERT_EQ(urls.size(), 13u);
  EXPECT_NE(urls[0].find("/x2/02.jpg"), std::string::npos);
  EXPECT_NE(urls[1].find("/x2/03.jpg"), std::string::npos);
  EXPECT_NE(urls[2].find("/x2/04.jpg"), std::string::npos);
  for (size_t i = 3; i < urls.size(); ++i) EXPECT_NE(urls[i].find("/x2/05.jpg"), std::string::npos);
  ASSERT_EQ(source.PictureCount(), 5u);
  // Double-resolution pictures at scale 1 come out at half their size.
  std::vector<int> widths;
  for (int counter = 0; counter < 10; ++counter) widths.push_back(source.PictureFor(counter).Width());
  EXPECT_EQ(widths, (std::vector<int>{10, 11, 12, 13, 14, 11, 12, 13, 14, 11}));
}

TEST_F(GdiplusTest, CorruptPictureIsLoggedAndNotAdded) {
  auto log = std::make_unique<SharedLog>();
  SharedLog* lines = log.get();
  base::SetLogSink(std::move(log));
  FakeFolder folder;
  folder.served = {{2, Jpeg(24, 8, RGB(200, 0, 0))}, {3, "\xff\xd8\xff\xe0 corrupt jpeg"}};
  {
    SlideSource source({Solid(10, 4, 0)}, kBase, 2.0, folder.Fetcher(), kTestPauseMs);
    ASSERT_TRUE(source.WaitForWorker(30000));
    EXPECT_EQ(source.PictureCount(), 2u);
    EXPECT_EQ(source.PictureFor(1).Width(), 24);  // scale 2: natural size
  }
  const std::string expected =
      "DownloadSlide: Failed to load a background slide bitmap from data downloaded from "
      "http://stand/browser/installer/facetune/en/x2/03.jpg";
  int found = 0;
  for (const auto& line : lines->lines())
    if (line.compare(0, expected.size(), expected) == 0) ++found;
  base::SetLogSink(nullptr);
  EXPECT_EQ(found, 10);  // every attempt at 03.jpg, until the worker gave up
}

TEST_F(GdiplusTest, AFetchIsAbandonedAfterItsTimeLimitAndCountsAsAFailure) {
  FakeFolder folder;
  folder.block_first = true;
  folder.served = {{2, Jpeg(24, 8, RGB(200, 0, 0))}};
  SlideSource source({Solid(10, 4, 0)}, kBase, 1.0, folder.Fetcher(), kTestPauseMs);
  ASSERT_TRUE(source.WaitForWorker(60000));
  EXPECT_TRUE(folder.first_gave_up_by_itself);
  const auto urls = folder.urls();
  ASSERT_GE(urls.size(), 2u);
  EXPECT_EQ(urls[0], urls[1]);  // the same picture again
  EXPECT_EQ(source.PictureCount(), 2u);
}

TEST_F(GdiplusTest, DestroyingTheSourceEndsARunningFetch) {
  FakeFolder folder;
  folder.block_first = true;
  auto source = std::make_unique<SlideSource>(std::vector<ResourceBitmap>{Solid(10, 4, 0)}, kBase, 1.0,
                                              folder.Fetcher(), kTestPauseMs);
  while (folder.urls().empty()) ::Sleep(5);
  source.reset();  // returns once the worker has ended
  EXPECT_EQ(folder.urls().size(), 1u);
}

TEST_F(GdiplusTest, WorkerStopsAfterTheMostPicturesItFetches) {
  auto log = std::make_unique<SharedLog>();
  SharedLog* lines = log.get();
  base::SetLogSink(std::move(log));
  FakeFolder folder;
  for (int n = 2; n < 30; ++n) folder.served[n] = Jpeg(20 + n, 8, RGB(n, 0, 0));
  {
    SlideSource source({Solid(10, 4, 0)}, kBase, 2.0, folder.Fetcher(), kTestPauseMs);
    ASSERT_TRUE(source.WaitForWorker(60000));
    EXPECT_FALSE(source.running());
    EXPECT_EQ(source.PictureCount(), 1u + kMaxSlidePictures);
  }
  const auto urls = folder.urls();
  ASSERT_EQ(urls.size(), kMaxSlidePictures);  // every one a success, then no more requests
  EXPECT_NE(urls.back().find("/x2/13.jpg"), std::string::npos) << urls.back();
  const std::string expected = "WorkerMain: Background slides: 12 pictures fetched, no more downloads";
  const auto logged = lines->lines();
  base::SetLogSink(nullptr);
  EXPECT_NE(std::find(logged.begin(), logged.end(), expected), logged.end());
}

TEST_F(GdiplusTest, RequestsAreSpacedByThePause) {
  FakeFolder folder;  // serves nothing: ten failures in a row
  constexpr DWORD kPauseMs = 100;
  SlideSource source({Solid(10, 4, 0)}, kBase, 1.0, folder.Fetcher(), kPauseMs);
  ASSERT_TRUE(source.WaitForWorker(60000));
  const auto times = folder.times_us();
  ASSERT_EQ(times.size(), static_cast<size_t>(kMaxSlideFailures));
  // A wait may end up to one timer tick (about 16 ms on Windows) early.
  for (size_t i = 1; i < times.size(); ++i)
    EXPECT_GE(times[i] - times[i - 1], (kPauseMs - 16) * 1000u) << "request " << i;
}

TEST_F(GdiplusTest, DestroyingTheSourceEndsItsPauseAtOnce) {
  FakeFolder folder;
  auto source = std::make_unique<SlideSource>(std::vector<ResourceBitmap>{Solid(10, 4, 0)}, kBase,
                                              1.0, folder.Fetcher(), 600000);
  while (folder.urls().empty()) ::Sleep(5);  // the first request failed: a pause of ten minutes
  const uint64_t started = base::MonotonicMicros();
  source.reset();
  EXPECT_LT(base::MonotonicMicros() - started, 5000000u);
  EXPECT_EQ(folder.urls().size(), 1u);
}

TEST_F(GdiplusTest, ABaseUrlThatTheBrandRulesRefuseFetchesNothing) {
  FakeFolder folder;
  SlideSource source({Solid(10, 4, 0)}, L"ftp://stand/browser/installer/", 1.0, folder.Fetcher(),
                     kTestPauseMs);
  ASSERT_TRUE(source.WaitForWorker(30000));
  EXPECT_FALSE(source.running());
  EXPECT_TRUE(folder.urls().empty());
  EXPECT_EQ(source.PictureCount(), 1u);
}

TEST_F(GdiplusTest, APictureLargerThanTheSideLimitIsNotDecoded) {
  EXPECT_TRUE(DecodeSlidePicture(Jpeg(kMaxSlideSide + 1, 8, RGB(1, 2, 3)), 1.0).empty());
  EXPECT_TRUE(DecodeSlidePicture(Jpeg(8, kMaxSlideSide + 1, RGB(1, 2, 3)), 1.0).empty());
  EXPECT_EQ(DecodeSlidePicture(Jpeg(kMaxSlideSide, 8, RGB(1, 2, 3)), 0.5).Width(),
            static_cast<int>(kMaxSlideSide / 2));
}

// ---------------------------------------------------------------- SlideShow

class SlideShowTest : public GdiplusTest {
 protected:
  std::unique_ptr<SlideShow> MakeShow(std::vector<ResourceBitmap> initial, FakeFolder* folder,
                                      int first_step = 1) {
    auto source = std::make_unique<SlideSource>(std::move(initial), kBase, 1.0, folder->Fetcher(),
                                                kTestPauseMs);
    source->WaitForWorker(30000);
    return std::make_unique<SlideShow>(SIZE{100, 60}, std::move(source), brush_, kSlidePeriodMs,
                                       first_step, [this] { return now_; });
  }
  void TearDown() override { ::DeleteObject(brush_); }

  uint64_t now_ = 1000;
  HBRUSH brush_ = ::CreateSolidBrush(RGB(207, 207, 207));
};

TEST_F(SlideShowTest, AdvancesOncePerPeriodAndReportsEachChangeOnce) {
  FakeFolder folder;
  auto show = MakeShow({Solid(10, 4, 0), Solid(11, 4, 0)}, &folder);
  EXPECT_TRUE(show->Tick());  // the first slide is new
  EXPECT_FALSE(show->Tick());
  EXPECT_FALSE(show->HasAdvanced());
  now_ += kSlidePeriodMs - 1;
  EXPECT_FALSE(show->Tick());
  EXPECT_EQ(show->CurrentPicture().Width(), 10);
  now_ += 1;
  EXPECT_TRUE(show->Tick());
  EXPECT_FALSE(show->Tick());
  EXPECT_TRUE(show->HasAdvanced());
  EXPECT_EQ(show->counter(), 1);
  EXPECT_EQ(show->CurrentPicture().Width(), 11);
  // A late tick still advances one slide only, and the period starts anew.
  now_ += 3 * kSlidePeriodMs;
  EXPECT_TRUE(show->Tick());
  EXPECT_EQ(show->counter(), 2);
  EXPECT_FALSE(show->Tick());
}

TEST_F(SlideShowTest, OrderOnScreenWithTwoInitialAndThreeFetchedPictures) {
  FakeFolder folder;
  folder.served = {{2, Jpeg(24, 8, 0)}, {3, Jpeg(26, 8, 0)}, {4, Jpeg(28, 8, 0)}};
  auto show = MakeShow({Solid(10, 4, 0), Solid(11, 4, 0)}, &folder);
  std::vector<int> shown = {show->CurrentPicture().Width()};
  for (int i = 0; i < 9; ++i) {
    now_ += kSlidePeriodMs;
    ASSERT_TRUE(show->Tick());
    shown.push_back(show->CurrentPicture().Width());
  }
  EXPECT_EQ(shown, (std::vector<int>{10, 11, 12, 13, 14, 11, 12, 13, 14, 11}));
}

TEST_F(SlideShowTest, FirstStepIsWhereTheCounterJumpsFromZero) {
  FakeFolder folder;
  auto show = MakeShow({Solid(10, 4, 0)}, &folder, 3);
  now_ += kSlidePeriodMs;
  show->Tick();
  EXPECT_EQ(show->counter(), 3);
  now_ += kSlidePeriodMs;
  show->Tick();
  EXPECT_EQ(show->counter(), 4);
}

TEST_F(SlideShowTest, PaintsTheBrushThenThePictureAtTheBottomLeft) {
  FakeFolder folder;
  auto show = MakeShow({Solid(40, 20, RGB(200, 30, 30))}, &folder);
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 100, 60);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  RECT all = {0, 0, 100, 60};
  show->Paint(dc, all);
  EXPECT_EQ(show->destination().top, 40);
  EXPECT_EQ(::GetPixel(dc, 5, 55), RGB(200, 30, 30));
  EXPECT_EQ(::GetPixel(dc, 39, 40), RGB(200, 30, 30));
  EXPECT_EQ(::GetPixel(dc, 41, 55), RGB(207, 207, 207));
  EXPECT_EQ(::GetPixel(dc, 5, 38), RGB(207, 207, 207));
  EXPECT_EQ(show->CurrentPicture().Width(), 40);
  ::SelectObject(dc, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
}

TEST_F(SlideShowTest, WithoutPicturesOnlyTheBrushIsPainted) {
  FakeFolder folder;
  auto show = MakeShow({}, &folder);
  EXPECT_TRUE(show->CurrentPicture().empty());
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 100, 60);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  RECT all = {0, 0, 100, 60};
  show->Paint(dc, all);
  EXPECT_EQ(::GetPixel(dc, 5, 55), RGB(207, 207, 207));
  now_ += kSlidePeriodMs;
  EXPECT_TRUE(show->Tick());
  EXPECT_TRUE(show->CurrentPicture().empty());
  ::SelectObject(dc, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
}

}  // namespace
}  // namespace lite_installer
