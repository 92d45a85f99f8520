#include "installer/ui/window_drawing.h"

#include <string>

#include "base/scoped_gdi.h"
#include "installer/ui/resource_bitmap.h"

namespace lite_installer {

base::ScopedBitmap CreateScreenBitmap(int width, int height, void** bits) {
  if (width <= 0 || height <= 0) return {};
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  base::ScopedScreenDC screen;
  base::ScopedBitmap bitmap(
      ::CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
  if (bits) *bits = bitmap ? pixels : nullptr;
  return bitmap;
}

void DrawBackgroundUnder(HDC dc, const ResourceBitmap& background, const RECT& control_rect,
                         int dest_x, int dest_y) {
  const int width = control_rect.right - control_rect.left;
  const int height = control_rect.bottom - control_rect.top;
  background.Draw(dc, dest_x, dest_y, width, height, control_rect.left, control_rect.top, width,
                  height);
}

void DrawTextWithOpacity(HDC dc, const RECT& rect, std::wstring_view text, HFONT font,
                         COLORREF colour, BYTE opacity, UINT format) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0 || text.empty()) return;
  base::ScopedMemoryDC memory(::CreateCompatibleDC(dc));
  base::ScopedBitmap bitmap = CreateScreenBitmap(width, height);
  if (!memory || !bitmap) return;
  base::ScopedSelectObject selected_bitmap(memory.get(), bitmap.get());
  ::BitBlt(memory.get(), 0, 0, width, height, dc, rect.left, rect.top, SRCCOPY);
  {
    base::ScopedSelectObject selected_font(memory.get(), font);
    ::SetBkMode(memory.get(), TRANSPARENT);
    ::SetTextColor(memory.get(), colour);
    RECT local = {0, 0, width, height};
    const std::wstring copy(text);
    ::DrawTextW(memory.get(), copy.c_str(), static_cast<int>(copy.size()), &local,
                format | DT_WORDBREAK);
  }
  if (opacity == 255) {
    ::BitBlt(dc, rect.left, rect.top, width, height, memory.get(), 0, 0, SRCCOPY);
    return;
  }
  const BLENDFUNCTION blend = {AC_SRC_OVER, 0, opacity, 0};
  ::AlphaBlend(dc, rect.left, rect.top, width, height, memory.get(), 0, 0, width, height, blend);
}

bool ApplyRoundedRegion(HWND window, int radius) {
  if (radius <= 0) return false;
  RECT rect;
  if (!::GetWindowRect(window, &rect)) return false;
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  base::ScopedRegion region(::CreateRoundRectRgn(0, 0, width + 1, height + 1, 2 * radius, 2 * radius));
  if (!region) return false;
  // On success the system owns the region.
  if (!::SetWindowRgn(window, region.get(), TRUE)) return false;
  region.release();
  return true;
}

}  // namespace lite_installer
