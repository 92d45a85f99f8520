#include "installer/lite_installer/ui/controls/control_painting.h"

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
  background.Draw(dc, item.left, item.top, item.right - item.left, item.bottom - item.top,
                  in_parent.left + item.left, in_parent.top + item.top, item.right - item.left,
                  item.bottom - item.top);
}

void DrawTextWithOpacity(HDC dc, std::wstring_view text, const RECT& rect, HFONT font,
                         COLORREF colour, BYTE opacity, UINT format) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (text.empty() || width <= 0 || height <= 0 || opacity == 0) return;
  auto draw = [&](HDC target, RECT area) {
    HGDIOBJ old_font = font ? ::SelectObject(target, font) : nullptr;
    int old_mode = ::SetBkMode(target, TRANSPARENT);
    COLORREF old_colour = ::SetTextColor(target, colour);
    ::DrawTextW(target, text.data(), static_cast<int>(text.size()), &area, format);
    ::SetTextColor(target, old_colour);
    ::SetBkMode(target, old_mode);
    if (old_font) ::SelectObject(target, old_font);
  };
  if (opacity == 255) {
    draw(dc, rect);
    return;
  }
  HDC memory = ::CreateCompatibleDC(dc);
  HBITMAP bitmap = memory ? ::CreateCompatibleBitmap(dc, width, height) : nullptr;
  if (!bitmap) {
    if (memory) ::DeleteDC(memory);
    draw(dc, rect);
    return;
  }
  HGDIOBJ old_bitmap = ::SelectObject(memory, bitmap);
  // What lies under the text, the text over it, then the blend back.
  ::BitBlt(memory, 0, 0, width, height, dc, rect.left, rect.top, SRCCOPY);
  draw(memory, RECT{0, 0, width, height});
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, opacity, 0};
  ::AlphaBlend(dc, rect.left, rect.top, width, height, memory, 0, 0, width, height, blend);
  ::SelectObject(memory, old_bitmap);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
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
