// Painting pieces shared by the owner-drawn controls.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "installer/ui/resource_bitmap.h"
#include "installer/ui/window_drawing.h"

namespace lite_installer {

// The control's rectangle in its parent's client coordinates.
RECT ChildRectInParent(HWND control);

// Draws the part of `background` (a picture covering the parent's client
// area from its top-left corner) that lies under `control` into `item`
// (the control's own client rectangle), so the control looks transparent.
void DrawBackgroundUnder(HDC dc, const ResourceBitmap& background, HWND control, const RECT& item);

// Draws the device-pixel source rectangle of `picture` stretched into the
// destination rectangle from a cut-out of that part only, so that the
// filter blends in nothing from around it (the neighbouring sprite frames).
// Drawn pixel for pixel when nothing is scaled.
void DrawPartStretched(HDC dc, const ResourceBitmap& picture, const RECT& dest, const RECT& source);

// The height DrawText needs for `text` word-wrapped into `width`.
int MeasureWrappedTextHeight(HDC dc, std::wstring_view text, HFONT font, int width, UINT format = 0);

// The window text of `window`.
std::wstring GetWindowTextString(HWND window);

}  // namespace lite_installer
