#include "installer/ui/slides/slide_show.h"

#include <objbase.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "base/logging.h"
#include "base/scoped_com.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "installer/config/brand_info.h"
#include "installer/ui/window_drawing.h"

namespace lite_installer {
namespace {

bool DefaultFetch(const std::wstring& url, const installer_util::KeepGoing& keep_going,
                  std::string* body) {
  installer_util::InterruptibleDownloader downloader;
  return downloader.DownloadToString(url, keep_going, body, kMaxSlideBytes);
}

// The picture in a 32-bit top-down DIB section, which the picture holder
// copies with its alpha.
ResourceBitmap HolderFor(Gdiplus::Bitmap* picture) {
  const int width = static_cast<int>(picture->GetWidth());
  const int height = static_cast<int>(picture->GetHeight());
  void* bits = nullptr;
  base::ScopedBitmap dib = CreateScreenBitmap(width, height, &bits);
  if (!dib) return {};
  Gdiplus::BitmapData locked = {};
  Gdiplus::Rect all(0, 0, width, height);
  bool copied = false;
  if (picture->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &locked) ==
      Gdiplus::Ok) {
    for (int row = 0; row < height; ++row) {
      std::memcpy(static_cast<BYTE*>(bits) + static_cast<size_t>(row) * width * 4,
                  static_cast<const BYTE*>(locked.Scan0) + static_cast<ptrdiff_t>(row) * locked.Stride,
                  static_cast<size_t>(width) * 4);
    }
    picture->UnlockBits(&locked);
    copied = true;
  }
  return copied ? ResourceBitmap::FromHBITMAP(dib.get()) : ResourceBitmap();
}

}  // namespace

ResourceBitmap DecodeSlidePicture(const std::string& bytes, double pixel_ratio) {
  if (bytes.empty()) return {};
  const Microsoft::WRL::ComPtr<IStream> stream = base::AdoptComPtr(
      ::SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
  if (!stream) return {};
  std::unique_ptr<Gdiplus::Bitmap> decoded(Gdiplus::Bitmap::FromStream(stream.Get(), TRUE));
  if (!decoded || decoded->GetLastStatus() != Gdiplus::Ok) return {};
  const UINT width = decoded->GetWidth();
  const UINT height = decoded->GetHeight();
  if (width == 0 || height == 0) return {};
  if (width > kMaxSlideSide || height > kMaxSlideSide) {
    LOG(WARNING) << "Slide picture of " << width << "x" << height << " is larger than "
                 << kMaxSlideSide << " pixels on a side";
    return {};
  }
  const double ratio = pixel_ratio > 0 ? pixel_ratio : 1.0;
  const int target_width = std::max(1, static_cast<int>(std::lround(width * ratio)));
  const int target_height = std::max(1, static_cast<int>(std::lround(height * ratio)));
  // Drawing into a picture of our own decodes the whole file now (GDI+
  // would otherwise decode on first use, on the UI thread) and frees it
  // from the stream.
  auto picture = std::make_unique<Gdiplus::Bitmap>(target_width, target_height, PixelFormat32bppPARGB);
  if (picture->GetLastStatus() != Gdiplus::Ok) return {};
  {
    Gdiplus::Graphics graphics(picture.get());
    if (graphics.GetLastStatus() != Gdiplus::Ok) return {};
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics.SetInterpolationMode(ratio == 1.0 ? Gdiplus::InterpolationModeNearestNeighbor
                                               : Gdiplus::InterpolationModeHighQualityBicubic);
    Gdiplus::ImageAttributes attributes;
    attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);  // no blending with transparency at the edges
    const Gdiplus::Status status = graphics.DrawImage(
        decoded.get(), Gdiplus::Rect(0, 0, target_width, target_height), 0, 0,
        static_cast<INT>(width), static_cast<INT>(height), Gdiplus::UnitPixel, &attributes);
    if (status != Gdiplus::Ok) return {};
  }
  return HolderFor(picture.get());
}

// ---------------------------------------------------------------- SlideSource

SlideSource::SlideSource(std::vector<ResourceBitmap> initial_pictures, std::wstring base_url,
                         double scale_factor, SlideFetcher fetcher, DWORD pause_ms)
    : slides_(std::move(initial_pictures)),
      rotation_(slides_.size()),
      base_url_(std::move(base_url)),
      scale_factor_(scale_factor > 0 ? scale_factor : 1.0),
      fetcher_(fetcher ? std::move(fetcher) : SlideFetcher(&DefaultFetch)),
      pause_ms_(pause_ms) {
  if (!worker_.Start([this] { WorkerMain(); })) {
    PLOG_TAG(ERROR, "InitializeThread", ::GetLastError())
        << "Failed to create thread for background slides";
    running_ = false;
  }
}

SlideSource::~SlideSource() {
  running_ = false;
  stop_.Signal();
  // Joining the thread itself (not only a lock the worker holds) also
  // covers a worker that has not begun to run yet.
  worker_.Join();
}

void SlideSource::WorkerMain() {
  if (!AllowBrandDownloadUrl(base::WideToUtf8(base_url_), "slide")) {
    running_ = false;
    return;
  }
  int failures = 0;
  for (bool first = true; running_.load(); first = false) {
    // Requests are paced; the pause ends at once when the source goes.
    if (!first && stop_.TimedWait(pause_ms_)) break;
    if (fetched_ >= kMaxSlidePictures) {
      running_ = false;
      LOG(INFO) << "Background slides: " << fetched_ << " pictures fetched, no more downloads";
      break;
    }
    if (DownloadSlide()) {
      failures = 0;
    } else if (++failures >= kMaxSlideFailures) {
      running_ = false;
      LOG(INFO) << "Background slides: " << failures << " failures in a row, no more downloads";
    }
  }
}

bool SlideSource::DownloadSlide() {
  const std::wstring url = SlideUrl(base_url_, NextSlideNumber(fetched_));
  const uint64_t started = ::GetTickCount64();
  const installer_util::KeepGoing keep_going = [this, started] {
    return running_.load() && ::GetTickCount64() - started <= kSlideFetchLimitMs;
  };
  std::string body;
  // A failed download counts without a log line.
  if (!fetcher_(url, keep_going, &body) || !running_.load()) return false;
  ResourceBitmap picture = DecodeSlidePicture(body, scale_factor_ / 2.0);
  if (picture.empty()) {
    PLOG(ERROR, ::GetLastError())
        << "Failed to load a background slide bitmap from data downloaded from " << url;
    return false;
  }
  {
    base::ScopedExclusiveLock hold(&lock_);
    slides_.push_back(std::move(picture));
  }
  ++fetched_;
  return true;
}

ResourceBitmap SlideSource::PictureFor(int counter) {
  base::ScopedExclusiveLock hold(&lock_);
  const int index = rotation_.IndexFor(counter, slides_.size());
  return index < 0 ? ResourceBitmap() : slides_[static_cast<size_t>(index)];
}

size_t SlideSource::PictureCount() const {
  base::ScopedExclusiveLock hold(&lock_);
  return slides_.size();
}

// ---------------------------------------------------------------- SlideShow

uint64_t MonotonicMillis() { return ::GetTickCount64(); }

RECT SlideDestination(SIZE area_size, SIZE picture_size) {
  RECT r;
  r.left = 0;
  r.bottom = area_size.cy;
  r.top = area_size.cy - picture_size.cy;
  r.right = std::min(picture_size.cx, area_size.cx);
  return r;
}

SlideShow::SlideShow(SIZE area_size, std::unique_ptr<SlideSource> source, HBRUSH brush,
                     int period_ms, int first_step, SlideClock clock)
    : area_size_(area_size),
      background_brush_(brush),
      source_(std::move(source)),
      first_step_(first_step),
      period_ms_(period_ms),
      clock_(clock ? std::move(clock) : SlideClock(&MonotonicMillis)) {
  MakeSlide();
}

void SlideShow::MakeSlide() {
  current_.picture = source_ ? source_->PictureFor(counter_) : ResourceBitmap();
  current_.duration_ms = static_cast<double>(period_ms_);
  current_.changed = true;
  current_.started_ms = clock_();
  current_.destination =
      SlideDestination(area_size_, SIZE{current_.picture.Width(), current_.picture.Height()});
}

bool SlideShow::Tick() {
  const uint64_t now = clock_();
  if (static_cast<double>(now) >= static_cast<double>(current_.started_ms) + current_.duration_ms) {
    counter_ = counter_ == 0 ? first_step_ : counter_ + 1;
    MakeSlide();
  }
  const bool changed = current_.changed;
  current_.changed = false;
  return changed;
}

void SlideShow::Paint(HDC dc, const RECT& rect) const {
  if (background_brush_) ::FillRect(dc, &rect, background_brush_);
  const RECT& d = current_.destination;
  const int width = d.right - d.left;
  const int height = d.bottom - d.top;
  current_.picture.Draw(dc, d.left, d.top, width, height, 0, 0, width, height);
}

}  // namespace lite_installer
