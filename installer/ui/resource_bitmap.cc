#include "installer/ui/resource_bitmap.h"

#include <objbase.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include <cmath>
#include <cstring>

#include "base/logging.h"
#include "base/resource_data.h"
#include "base/scoped_com.h"
#include "installer/ui/display_scale.h"

namespace lite_installer {
namespace {

std::shared_ptr<Gdiplus::Bitmap> DecodeResource(int id) {
  const std::string_view data = base::ResourceData(nullptr, MAKEINTRESOURCEW(id), RT_RCDATA);
  if (data.empty()) return nullptr;
  const Microsoft::WRL::ComPtr<IStream> stream = base::AdoptComPtr(::SHCreateMemStream(
      reinterpret_cast<const BYTE*>(data.data()), static_cast<UINT>(data.size())));
  if (!stream) return nullptr;
  // Colour management from the picture's own profile. The picture holds a
  // reference to the stream of its own.
  std::shared_ptr<Gdiplus::Bitmap> bitmap(new Gdiplus::Bitmap(stream.Get(), TRUE));
  if (bitmap->GetLastStatus() != Gdiplus::Ok) return nullptr;
  return bitmap;
}

}  // namespace

ResourceBitmap ResourceBitmap::LoadPair(const ImagePair& pair) {
  return LoadPair(pair, GetDisplayScaleFactor());
}

ResourceBitmap ResourceBitmap::LoadPair(const ImagePair& pair, double factor) {
  const PictureChoice choice = ChoosePicture(pair, factor);
  ResourceBitmap result;
  result.bitmap_ = DecodeResource(choice.id);
  if (!result.bitmap_) {
    PLOG(ERROR, ::GetLastError()) << "Failed to load a bitmap";
    return {};
  }
  result.pixel_ratio_ = choice.pixel_ratio;
  return result;
}

ResourceBitmap ResourceBitmap::FromHBITMAP(HBITMAP bitmap) {
  ResourceBitmap result;
  BITMAP info = {};
  if (bitmap && ::GetObjectW(bitmap, sizeof(info), &info) == sizeof(info) && info.bmBits &&
      info.bmBitsPixel == 32) {
    // A 32-bit DIB section: copy its pixels with their alpha.
    const int height = std::abs(info.bmHeight);
    auto copy = std::make_shared<Gdiplus::Bitmap>(info.bmWidth, height, PixelFormat32bppPARGB);
    Gdiplus::BitmapData target = {};
    Gdiplus::Rect all(0, 0, info.bmWidth, height);
    if (copy->GetLastStatus() == Gdiplus::Ok &&
        copy->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppPARGB, &target) ==
            Gdiplus::Ok) {
      for (int row = 0; row < height; ++row) {
        // Bottom-up DIBs (positive height) keep their first row last.
        const int source_row = info.bmHeight > 0 ? height - 1 - row : row;
        std::memcpy(static_cast<BYTE*>(target.Scan0) + row * target.Stride,
                    static_cast<const BYTE*>(info.bmBits) + source_row * info.bmWidthBytes,
                    info.bmWidth * 4);
      }
      copy->UnlockBits(&target);
      result.bitmap_ = std::move(copy);
    }
  } else if (bitmap) {
    std::shared_ptr<Gdiplus::Bitmap> copy(Gdiplus::Bitmap::FromHBITMAP(bitmap, nullptr));
    if (copy && copy->GetLastStatus() == Gdiplus::Ok) result.bitmap_ = std::move(copy);
  }
  if (!result.bitmap_) {
    LOG(ERROR) << "Failed to construct a ResourceBitmap from HBITMAP";
    return {};
  }
  return result;
}

int ResourceBitmap::PictureWidth() const { return bitmap_ ? static_cast<int>(bitmap_->GetWidth()) : 0; }
int ResourceBitmap::PictureHeight() const {
  return bitmap_ ? static_cast<int>(bitmap_->GetHeight()) : 0;
}
int ResourceBitmap::Width() const { return static_cast<int>(PictureWidth() * pixel_ratio_); }
int ResourceBitmap::Height() const { return static_cast<int>(PictureHeight() * pixel_ratio_); }

void ResourceBitmap::Draw(HDC dc, int x, int y, int width, int height, int src_x, int src_y,
                          int src_width, int src_height) const {
  if (!bitmap_ || width <= 0 || height <= 0) return;
  Gdiplus::Graphics graphics(dc);
  Draw(&graphics, x, y, width, height, src_x, src_y, src_width, src_height);
}

void ResourceBitmap::Draw(Gdiplus::Graphics* graphics, int x, int y, int width, int height,
                          int src_x, int src_y, int src_width, int src_height) const {
  if (!bitmap_ || width <= 0 || height <= 0) return;
  graphics->SetPageUnit(Gdiplus::UnitPixel);
  graphics->SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  const bool one_to_one = pixel_ratio_ == 1.0 && width == src_width && height == src_height;
  graphics->SetInterpolationMode(one_to_one ? Gdiplus::InterpolationModeNearestNeighbor
                                            : Gdiplus::InterpolationModeHighQualityBicubic);
  Gdiplus::ImageAttributes attributes;
  // Stretched edges repeat their own pixels instead of fading out.
  attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
  const Gdiplus::RectF destination(static_cast<Gdiplus::REAL>(x), static_cast<Gdiplus::REAL>(y),
                                   static_cast<Gdiplus::REAL>(width),
                                   static_cast<Gdiplus::REAL>(height));
  const double r = pixel_ratio_;
  graphics->DrawImage(bitmap_.get(), destination, static_cast<Gdiplus::REAL>(src_x / r),
                      static_cast<Gdiplus::REAL>(src_y / r),
                      static_cast<Gdiplus::REAL>(src_width / r),
                      static_cast<Gdiplus::REAL>(src_height / r), Gdiplus::UnitPixel, &attributes);
}

}  // namespace lite_installer
