#include "installer/ui/controls/control_painting.h"

#include <objbase.h>
#include <gdiplus.h>

#include <algorithm>
#include <memory>
#include <string>

namespace lite_installer {

RECT ChildRectInParent(HWND control) {
  RECT rect = {};
  ::GetWindowRect(control, &rect);
  HWND parent = ::GetParent(control);
  ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void DrawBackgroundUnder(HDC dc, const ResourceBitmap& background, HWND control, const RECT& item) {
  if (background.empty()) return;
  RECT in_parent = ChildRectInParent(control);
  const RECT under = {in_parent.left + item.left, in_parent.top + item.top, in_parent.left + item.right,
                      in_parent.top + item.bottom};
  DrawBackgroundUnder(dc, background, under, item.left, item.top);
}

void DrawPartStretched(HDC dc, const ResourceBitmap& picture, const RECT& dest, const RECT& source) {
  Gdiplus::Bitmap* bitmap = picture.gdiplus_bitmap();
  const int w = dest.right - dest.left, h = dest.bottom - dest.top;
  if (!bitmap || w <= 0 || h <= 0) return;
  const double r = picture.pixel_ratio();
  if (r == 1.0 && w == source.right - source.left && h == source.bottom - source.top) {
    // Pixel for pixel: nothing to blend in.
    picture.Draw(dc, dest.left, dest.top, w, h, source.left, source.top, w, h);
    return;
  }
  const int px = static_cast<int>(source.left / r), py = static_cast<int>(source.top / r);
  const int pw = std::min<int>(static_cast<int>((source.right - source.left) / r + 0.5),
                               static_cast<int>(bitmap->GetWidth()) - px);
  const int ph = std::min<int>(static_cast<int>((source.bottom - source.top) / r + 0.5),
                               static_cast<int>(bitmap->GetHeight()) - py);
  if (pw <= 0 || ph <= 0) return;
  std::unique_ptr<Gdiplus::Bitmap> part(bitmap->Clone(px, py, pw, ph, PixelFormat32bppARGB));
  if (!part || part->GetLastStatus() != Gdiplus::Ok) return;
  Gdiplus::Graphics graphics(dc);
  graphics.SetPageUnit(Gdiplus::UnitPixel);
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  Gdiplus::ImageAttributes attributes;
  attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
  graphics.DrawImage(part.get(),
                     Gdiplus::RectF{Gdiplus::REAL(dest.left), Gdiplus::REAL(dest.top), Gdiplus::REAL(w), Gdiplus::REAL(h)},
                     Gdiplus::REAL(0), Gdiplus::REAL(0), Gdiplus::REAL(pw), Gdiplus::REAL(ph), Gdiplus::UnitPixel,
                     &attributes);
}

int MeasureWrappedTextHeight(HDC dc, std::wstring_view text, HFONT font, int width, UINT format) {
  if (text.empty() || width <= 0) return 0;
  HGDIOBJ old_font = font ? ::SelectObject(dc, font) : nullptr;
  RECT area = {0, 0, width, 0};
  ::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &area,
              format | DT_CALCRECT | DT_WORDBREAK);
  if (old_font) ::SelectObject(dc, old_font);
  return area.bottom - area.top;
}

std::wstring GetWindowTextString(HWND window) {
  int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int got = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

}  // namespace lite_installer
