// Painting pieces shared by the owner-drawn controls.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "installer/lite_installer/ui/controls/resource_bitmap.h"

namespace lite_installer {

// The control's rectangle in its parent's client coordinates.
RECT ChildRectInParent(HWND control);

// Draws the part of `background` (a picture covering the parent's client
// area from its top-left corner) that lies under `control` into `item`
// (the control's own client rectangle), so the control looks transparent.
void DrawBackgroundUnder(HDC dc, const ResourceBitmap& background, HWND control, const RECT& item);

// Draws `text` into `rect` of `dc` with a transparent background and the
// given colour, then blends the result over what was there with the
// constant `opacity` (255 draws directly). `format` takes DrawText flags.
void DrawTextWithOpacity(HDC dc, std::wstring_view text, const RECT& rect, HFONT font,
                         COLORREF colour, BYTE opacity, UINT format);

// The height DrawText needs for `text` word-wrapped into `width`.
int MeasureWrappedTextHeight(HDC dc, std::wstring_view text, HFONT font, int width, UINT format = 0);

// The window text of `window`.
std::wstring GetWindowTextString(HWND window);

}  // namespace lite_installer
