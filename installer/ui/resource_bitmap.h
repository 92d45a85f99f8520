// A decoded picture (GDI+) with its pixel ratio: device pixels per picture
// pixel. Copies share the decoded picture.
#pragma once

#include <windows.h>

#include <memory>

#include "installer/ui/picture_choice.h"

namespace Gdiplus {
class Bitmap;
class Graphics;
}

namespace lite_installer {

class ResourceBitmap {
 public:
  ResourceBitmap() = default;

  // The picture of `pair` for the process's scale factor (PNG or JPEG from
  // an RCDATA resource). Logs "Failed to load a bitmap" and stays empty when
  // it cannot be loaded.
  static ResourceBitmap LoadPair(const ImagePair& pair);
  static ResourceBitmap LoadPair(const ImagePair& pair, double factor);
  // A copy of `bitmap` at pixel ratio 1. Logs "Failed to construct a
  // ResourceBitmap from HBITMAP" and stays empty on failure.
  static ResourceBitmap FromHBITMAP(HBITMAP bitmap);

  bool empty() const { return !bitmap_; }
  double pixel_ratio() const { return pixel_ratio_; }
  // Size in device pixels (picture pixels × ratio, truncated); 0 when empty.
  int Width() const;
  int Height() const;
  // Picture size in its own pixels.
  int PictureWidth() const;
  int PictureHeight() const;

  // Draws the source rectangle (device pixels; divided by the ratio) into
  // the destination rectangle. Nothing for an empty picture.
  void Draw(HDC dc, int x, int y, int width, int height, int src_x, int src_y, int src_width,
            int src_height) const;
  // The same onto GDI+ graphics (keeps alpha when drawing into a picture).
  void Draw(Gdiplus::Graphics* graphics, int x, int y, int width, int height, int src_x, int src_y,
            int src_width, int src_height) const;
  // The whole picture at its device size.
  void Draw(HDC dc, int x, int y) const { Draw(dc, x, y, Width(), Height(), 0, 0, Width(), Height()); }

  Gdiplus::Bitmap* gdiplus_bitmap() const { return bitmap_.get(); }

 private:
  std::shared_ptr<Gdiplus::Bitmap> bitmap_;
  double pixel_ratio_ = 1.0;
};

}  // namespace lite_installer
