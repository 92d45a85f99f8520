// Texts with link markup as rows of child windows: one "Static" per plain
// run, one owner-drawn "Button" per link run.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "installer/ui/link_markup.h"

namespace lite_installer {

// Width of `text` drawn with `font` (GetTextExtentPoint32W on the screen).
int MeasureTextWidth(HFONT font, std::wstring_view text);
// The height of a line of `font`: that of the word "anything".
int MeasureLineHeight(HFONT font);

// LayoutTextPieces measuring with `font`.
TextLayout LayoutTextPieces(const std::vector<TextPiece>& pieces, int width, HFONT font,
                            bool centred);

// Where each run's window goes: x = rect.left + line shift + run x,
// y = rect.top + line × (line height + extra spacing); the run's width and
// the line height.
std::vector<RECT> PlaceTextRuns(const TextLayout& layout, const RECT& rect, int line_height,
                                int extra_line_spacing);

// Parses `text`, lays it out in `rect` (client coordinates of `parent`) and
// creates one child window per run: links as child, visible, tab-stop,
// owner-draw "Button" windows with id `link_id`, plain runs as child,
// visible, owner-draw "Static" windows with id `text_id`; each window's text
// is its run's text. Returns the windows in run order.
std::vector<HWND> CreateTextPieceWindows(HWND parent, const RECT& rect, std::wstring_view text,
                                         HFONT font, bool centred, int text_id, int link_id,
                                         int extra_line_spacing = 0);

}  // namespace lite_installer
