// Drawing helpers of the installer window: 32-bit bitmaps, text with a
// constant opacity, the part of a background picture under a control, and
// the rounded window region.
#pragma once

#include <windows.h>

#include <string_view>

#include "base/scoped_handle.h"

namespace lite_installer {

class ResourceBitmap;

// A top-down 32-bit DIB section of `width` × `height`, all pixels 0
// (transparent black). `bits` receives its pixels when given.
base::ScopedBitmap CreateScreenBitmap(int width, int height, void** bits = nullptr);

// Draws the part of `background` that lies under `control_rect` (in the
// background's device coordinates, i.e. the parent's client area) at
// (dest_x, dest_y) of `dc`, so that a control looks transparent.
void DrawBackgroundUnder(HDC dc, const ResourceBitmap& background, const RECT& control_rect,
                         int dest_x = 0, int dest_y = 0);

// Text with opacity: the pixels of `dc` under `rect` are copied into a
// memory bitmap, the text is drawn there (transparent background, `colour`,
// word-wrapped, plus `format` such as DT_CENTER), and the copy is blended
// back with the constant `opacity` (0..255). Draw what lies under the text
// first.
void DrawTextWithOpacity(HDC dc, const RECT& rect, std::wstring_view text, HFONT font,
                         COLORREF colour, BYTE opacity, UINT format = 0);

// The window region: a rounded rectangle over the whole window with corner
// ellipses of 2 × `radius` (already scaled); 0 keeps the window square.
// Returns whether a region was set.
bool ApplyRoundedRegion(HWND window, int radius);

}  // namespace lite_installer
