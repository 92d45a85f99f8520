// A decoded picture (GDI+) with its pixel ratio: the holder every owner-drawn
// control and the window paint from. Copies share the decoded picture.
#pragma once

#include <windows.h>

#include <memory>

namespace Gdiplus {
class Bitmap;
}

namespace lite_installer {

class ResourceBitmap {
 public:
  ResourceBitmap() = default;

  // The RCDATA picture `id_1x` or `id_2x` (PNG or JPEG) chosen for the
  // display scale factor: the 1x picture when the factor is exactly 1 or
  // there is no 2x id (0), else the 2x picture. The ratio is the factor
  // divided by the picture's own scale. An empty holder when it fails.
  static ResourceBitmap LoadPair(int id_1x, int id_2x, double scale_factor);
  // One RCDATA picture drawn with `pixel_ratio` device pixels per picture
  // pixel.
  static ResourceBitmap LoadResource(int id, double pixel_ratio);
  // Decodes PNG or JPEG bytes.
  static ResourceBitmap FromData(const void* data, size_t size, double pixel_ratio);
  // Copies `bitmap` (the caller keeps it); ratio 1.
  static ResourceBitmap FromHBITMAP(HBITMAP bitmap);
  // Wraps a picture made elsewhere.
  static ResourceBitmap FromBitmap(std::shared_ptr<Gdiplus::Bitmap> bitmap, double pixel_ratio);

  bool empty() const { return !bitmap_; }
  // Size in device pixels: picture pixels × ratio, truncated; 0 when empty.
  int Width() const;
  int Height() const;
  double pixel_ratio() const { return pixel_ratio_; }
  Gdiplus::Bitmap* bitmap() const { return bitmap_.get(); }

  // Draws the device-pixel source rectangle (sx, sy, sw, sh) of the picture
  // into (x, y, w, h) of `dc`. Nothing is drawn for an empty picture.
  void Draw(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh) const;
  // The whole picture at (x, y), unscaled.
  void Draw(HDC dc, int x, int y) const { Draw(dc, x, y, Width(), Height(), 0, 0, Width(), Height()); }

 private:
  std::shared_ptr<Gdiplus::Bitmap> bitmap_;
  double pixel_ratio_ = 1.0;
};

// Which picture of a pair to load and its ratio (the rule of LoadPair).
struct PictureChoice {
  int id = 0;
  double pixel_ratio = 1.0;
};
PictureChoice ChoosePicture(int id_1x, int id_2x, double scale_factor);

}  // namespace lite_installer
