#include "installer/lite_installer/ui/controls/resource_bitmap.h"

#include <objbase.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include <algorithm>

#include "base/logging.h"

namespace lite_installer {
namespace {

struct ComRelease {
  void operator()(IUnknown* p) const {
    if (p) p->Release();
  }
};

}  // namespace

PictureChoice ChoosePicture(int id_1x, int id_2x, double scale_factor) {
  if (scale_factor == 1.0 || id_2x == 0) return {id_1x, scale_factor};
  return {id_2x, scale_factor / 2.0};
}

ResourceBitmap ResourceBitmap::LoadPair(int id_1x, int id_2x, double scale_factor) {
  PictureChoice choice = ChoosePicture(id_1x, id_2x, scale_factor);
  return LoadResource(choice.id, choice.pixel_ratio);
}

ResourceBitmap ResourceBitmap::LoadResource(int id, double pixel_ratio) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_RCDATA));
  HGLOBAL data = info ? ::LoadResource(module, info) : nullptr;
  const void* bytes = data ? ::LockResource(data) : nullptr;
  if (!bytes) {
    PLOG(ERROR, ::GetLastError()) << "Failed to load a bitmap";
    return {};
  }
  return FromData(bytes, ::SizeofResource(module, info), pixel_ratio);
}

ResourceBitmap ResourceBitmap::FromData(const void* data, size_t size, double pixel_ratio) {
  std::unique_ptr<IStream, ComRelease> stream(
      ::SHCreateMemStream(static_cast<const BYTE*>(data), static_cast<UINT>(size)));
  if (!stream) {
    PLOG(ERROR, ::GetLastError()) << "Failed to load a bitmap";
    return {};
  }
  // Colour management on, as for pictures shown to the user.
  std::shared_ptr<Gdiplus::Bitmap> bitmap(Gdiplus::Bitmap::FromStream(stream.get(), TRUE));
  if (!bitmap || bitmap->GetLastStatus() != Gdiplus::Ok || bitmap->GetWidth() == 0) {
    PLOG(ERROR, ::GetLastError()) << "Failed to load a bitmap";
    return {};
  }
  return FromBitmap(std::move(bitmap), pixel_ratio);
}

ResourceBitmap ResourceBitmap::FromHBITMAP(HBITMAP source) {
  BITMAP info = {};
  if (!source || !::GetObjectW(source, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight == 0) {
    LOG(ERROR) << "Failed to construct a ResourceBitmap from HBITMAP";
    return {};
  }
  int width = info.bmWidth;
  int height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
  // Read the pixels as top-down 32-bit rows; the copy is independent of
  // the caller's bitmap.
  auto bitmap = std::make_shared<Gdiplus::Bitmap>(width, height, PixelFormat32bppRGB);
  Gdiplus::BitmapData locked = {};
  Gdiplus::Rect whole(0, 0, width, height);
  bool ok = bitmap->GetLastStatus() == Gdiplus::Ok &&
            bitmap->LockBits(&whole, Gdiplus::ImageLockModeWrite, PixelFormat32bppRGB, &locked) ==
                Gdiplus::Ok;
  if (ok) {
    BITMAPINFO header = {};
    header.bmiHeader.biSize = sizeof(header.bmiHeader);
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = -height;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    header.bmiHeader.biCompression = BI_RGB;
    HDC screen = ::GetDC(nullptr);
    bool rows_ok = locked.Stride == width * 4 &&
                   ::GetDIBits(screen, source, 0, height, locked.Scan0, &header, DIB_RGB_COLORS) == height;
    ::ReleaseDC(nullptr, screen);
    bitmap->UnlockBits(&locked);
    ok = rows_ok;
  }
  if (!ok) {
    LOG(ERROR) << "Failed to construct a ResourceBitmap from HBITMAP";
    return {};
  }
  return FromBitmap(std::move(bitmap), 1.0);
}

ResourceBitmap ResourceBitmap::FromBitmap(std::shared_ptr<Gdiplus::Bitmap> bitmap, double pixel_ratio) {
  ResourceBitmap holder;
  if (bitmap && bitmap->GetWidth() > 0) {
    holder.bitmap_ = std::move(bitmap);
    holder.pixel_ratio_ = pixel_ratio > 0 ? pixel_ratio : 1.0;
  }
  return holder;
}

int ResourceBitmap::Width() const {
  return bitmap_ ? static_cast<int>(bitmap_->GetWidth() * pixel_ratio_) : 0;
}

int ResourceBitmap::Height() const {
  return bitmap_ ? static_cast<int>(bitmap_->GetHeight() * pixel_ratio_) : 0;
}

void ResourceBitmap::Draw(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh) const {
  if (!bitmap_ || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
  Gdiplus::Graphics graphics(dc);
  graphics.SetPageUnit(Gdiplus::UnitPixel);
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  const bool unscaled = pixel_ratio_ == 1.0 && w == sw && h == sh;
  graphics.SetInterpolationMode(unscaled ? Gdiplus::InterpolationModeNearestNeighbor
                                         : Gdiplus::InterpolationModeHighQualityBicubic);
  // Edge pixels are repeated instead of blended with transparency.
  Gdiplus::ImageAttributes attributes;
  attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
  const Gdiplus::REAL r = static_cast<Gdiplus::REAL>(pixel_ratio_);
  const Gdiplus::RectF dest{Gdiplus::REAL(x), Gdiplus::REAL(y), Gdiplus::REAL(w), Gdiplus::REAL(h)};
  const bool whole = sx == 0 && sy == 0 && sw == Width() && sh == Height();
  if (!unscaled && !whole) {
    // A scaled part is cut out first: the filter would otherwise blend in
    // the pixels around the part (the neighbouring sprite frames).
    const int px = static_cast<int>(sx / r), py = static_cast<int>(sy / r);
    int pw = static_cast<int>(sw / r + 0.5f), ph = static_cast<int>(sh / r + 0.5f);
    pw = std::min<int>(pw, static_cast<int>(bitmap_->GetWidth()) - px);
    ph = std::min<int>(ph, static_cast<int>(bitmap_->GetHeight()) - py);
    if (pw <= 0 || ph <= 0) return;
    std::unique_ptr<Gdiplus::Bitmap> part(bitmap_->Clone(px, py, pw, ph, PixelFormat32bppARGB));
    if (part && part->GetLastStatus() == Gdiplus::Ok) {
      graphics.DrawImage(part.get(), dest, Gdiplus::REAL(0), Gdiplus::REAL(0), Gdiplus::REAL(pw), Gdiplus::REAL(ph), Gdiplus::UnitPixel,
                         &attributes);
      return;
    }
  }
  graphics.DrawImage(bitmap_.get(), dest, sx / r, sy / r, sw / r, sh / r, Gdiplus::UnitPixel, &attributes);
}

}  // namespace lite_installer
