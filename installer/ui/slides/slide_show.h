// The background slide show of the progress screen: `SlideSource` keeps the
// pictures (the built-in ones first) and fetches more from the slide folder
// on a worker thread; `SlideShow` decides which one is on show, when the
// next one comes, and paints it.
//
// The window drives it from its 20 ms timer:
//   if (show->Tick()) InvalidateRect(window, nullptr, FALSE);
// and paints with show->Paint(dc, client_rect). The UI thread never waits
// for the network: it only copies a decoded picture under a lock.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/process.h"
#include "installer/ui/resource_bitmap.h"
#include "installer/ui/slides/slide_rotation.h"
#include "installer/util/interruptible_downloader.h"

namespace lite_installer {

// A fetch of one slide gives up after this long.
constexpr uint64_t kSlideFetchLimitMs = 5000;
// The worker ends after this many failures in a row.
constexpr int kMaxSlideFailures = 10;
constexpr int kSlidePeriodMs = 10000;
// A slide is a JPEG of the double-resolution progress screen (1456 x 536
// pixels), some hundred KiB; its body is held in memory until it is
// decoded. 2 MiB leaves room for a finer picture and refuses anything else.
constexpr uint64_t kMaxSlideBytes = 2u << 20;
// A picture wider or taller than this is refused before it is decoded: a
// small file may announce a huge picture, and a decoded one takes 4 bytes
// a pixel.
constexpr unsigned kMaxSlideSide = 4096;
// The worker fetches at most this many pictures. A slide shows for 10 s,
// so twelve cover two minutes of installation on top of the built-in
// ones, while the decoded pictures (3 MiB each at scale 2) stay below
// 40 MiB.
constexpr size_t kMaxSlidePictures = 12;
// The worker's pause between two requests, so that a folder that fails at
// once is not asked in a tight loop.
constexpr DWORD kSlideFetchPauseMs = 500;

// Downloads the body at `url` while `keep_going` holds; false on failure.
using SlideFetcher = std::function<bool(const std::wstring& url,
                                        const installer_util::KeepGoing& keep_going,
                                        std::string* body)>;

// Decodes JPEG or PNG bytes into a picture of `pixel_ratio` × its size in
// device pixels (resampled here, so painting is a plain copy), at ratio 1.
// Empty on failure.
ResourceBitmap DecodeSlidePicture(const std::string& bytes, double pixel_ratio);

class SlideSource {
 public:
  // Copies the pictures and starts the worker at once. `scale_factor` is
  // the display's (double-resolution slides are decoded at half of it);
  // `fetcher` replaces the network and `pause_ms` the pause between two
  // requests (tests). A base URL that the brand rules refuse
  // (AllowBrandDownloadUrl) fetches nothing.
  SlideSource(std::vector<ResourceBitmap> initial_pictures, std::wstring base_url,
              double scale_factor = 1.0, SlideFetcher fetcher = {},
              DWORD pause_ms = kSlideFetchPauseMs);
  SlideSource(const SlideSource&) = delete;
  SlideSource& operator=(const SlideSource&) = delete;
  // Stops the worker (a running fetch ends within one poll) and joins it.
  ~SlideSource();

  // The picture to show for `counter` (the rotation rules of
  // SlideRotation); an empty picture when the list is empty.
  ResourceBitmap PictureFor(int counter);

  size_t PictureCount() const;
  // False once the worker has stopped by itself (ten failures in a row, or
  // kMaxSlidePictures fetched) or the source is being destroyed.
  bool running() const { return running_.load(); }
  // Waits for the worker to end; false on time-out.
  bool WaitForWorker(DWORD timeout_ms) { return worker_.Join(timeout_ms); }

 private:
  void WorkerMain();
  bool DownloadSlide();

  mutable SRWLOCK lock_ = SRWLOCK_INIT;
  std::vector<ResourceBitmap> slides_;  // under lock_
  SlideRotation rotation_;            // under lock_
  const std::wstring base_url_;
  const double scale_factor_;
  SlideFetcher fetcher_;
  const DWORD pause_ms_;
  size_t fetched_ = 0;  // worker thread only
  std::atomic<bool> running_{true};
  base::WaitableEvent stop_;  // ends the worker's pause at once
  base::Thread worker_;
};

// The slide show's clock: milliseconds, monotonic.
using SlideClock = std::function<uint64_t()>;
uint64_t MonotonicMillis();

class SlideShow {
 public:
  // Creates the first slide at once. `brush` (the theme's slide background)
  // is borrowed and must outlive the show.
  SlideShow(SIZE area_size, std::unique_ptr<SlideSource> source, HBRUSH brush,
            int period_ms = kSlidePeriodMs, int first_step = 1, SlideClock clock = MonotonicMillis);

  // Advances when the current slide's time is up. True when the picture
  // changed since the previous call (reading the flag clears it).
  bool Tick();
  // The counter has moved on from 0.
  bool HasAdvanced() const { return counter_ != 0; }
  // Fills `rect` with the background brush and draws the current picture,
  // bottom-aligned at the left edge and clipped on the right.
  void Paint(HDC dc, const RECT& rect) const;
  const ResourceBitmap& CurrentPicture() const { return current_.picture; }

  int counter() const { return counter_; }
  // Where the current picture is drawn.
  const RECT& destination() const { return current_.destination; }
  SlideSource* source() const { return source_.get(); }

 private:
  struct Slide {
    ResourceBitmap picture;
    double duration_ms = 0;
    bool changed = false;
    uint64_t started_ms = 0;
    RECT destination = {};
  };
  void MakeSlide();

  SIZE area_size_;
  HBRUSH background_brush_;
  std::unique_ptr<SlideSource> source_;
  int counter_ = 0;
  int first_step_;
  int period_ms_;
  SlideClock clock_;
  Slide current_;
};

// The destination rectangle of a picture of `picture_size` in an area of
// `area_size`: left 0, bottom at the area's bottom, the picture's height,
// the smaller of the two widths.
RECT SlideDestination(SIZE area_size, SIZE picture_size);

}  // namespace lite_installer
