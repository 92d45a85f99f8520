#include "installer/lite_installer/ui/slides/slide_picture.h"

#include <objbase.h>
#include <gdiplus.h>

namespace lite_installer {

SlidePicture SlidePicture::FromBitmap(std::shared_ptr<Gdiplus::Bitmap> bitmap, double pixel_ratio) {
  SlidePicture picture;
  if (bitmap && bitmap->GetWidth() > 0 && bitmap->GetHeight() > 0) {
    picture.bitmap_ = std::move(bitmap);
    picture.pixel_ratio_ = pixel_ratio > 0 ? pixel_ratio : 1.0;
  }
  return picture;
}

int SlidePicture::Width() const {
  return bitmap_ ? static_cast<int>(bitmap_->GetWidth() * pixel_ratio_) : 0;
}

int SlidePicture::Height() const {
  return bitmap_ ? static_cast<int>(bitmap_->GetHeight() * pixel_ratio_) : 0;
}

void SlidePicture::Draw(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh) const {
  if (!bitmap_ || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
  Gdiplus::Graphics graphics(dc);
  graphics.SetPageUnit(Gdiplus::UnitPixel);
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  const bool unscaled = pixel_ratio_ == 1.0 && w == sw && h == sh;
  graphics.SetInterpolationMode(unscaled ? Gdiplus::InterpolationModeNearestNeighbor
                                         : Gdiplus::InterpolationModeHighQualityBicubic);
  const auto r = static_cast<Gdiplus::REAL>(pixel_ratio_);
  graphics.DrawImage(bitmap_.get(),
                     Gdiplus::RectF(Gdiplus::REAL(x), Gdiplus::REAL(y), Gdiplus::REAL(w), Gdiplus::REAL(h)),
                     sx / r, sy / r, sw / r, sh / r, Gdiplus::UnitPixel);
}

}  // namespace lite_installer
