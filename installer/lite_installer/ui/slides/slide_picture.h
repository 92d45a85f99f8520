// The picture holder of the slide show: a decoded GDI+ picture shared by
// reference count, with its pixel ratio (device pixels per picture pixel).
// The same operations as the window's picture holder, so the window can
// hand its pictures over through FromBitmap.
#pragma once

#include <windows.h>

#include <memory>

namespace Gdiplus {
class Bitmap;
}

namespace lite_installer {

class SlidePicture {
 public:
  SlidePicture() = default;

  // Wraps a picture made elsewhere (null or 0 wide: an empty holder).
  static SlidePicture FromBitmap(std::shared_ptr<Gdiplus::Bitmap> bitmap, double pixel_ratio);

  bool empty() const { return !bitmap_; }
  // Size in device pixels: picture pixels × ratio, truncated; 0 when empty.
  int Width() const;
  int Height() const;
  double pixel_ratio() const { return pixel_ratio_; }
  Gdiplus::Bitmap* bitmap() const { return bitmap_.get(); }
  const std::shared_ptr<Gdiplus::Bitmap>& shared_bitmap() const { return bitmap_; }

  // Draws the device-pixel source rectangle (sx, sy, sw, sh) of the picture
  // into (x, y, w, h) of `dc`. Nothing is drawn for an empty picture.
  void Draw(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh) const;

 private:
  std::shared_ptr<Gdiplus::Bitmap> bitmap_;
  double pixel_ratio_ = 1.0;
};

}  // namespace lite_installer
