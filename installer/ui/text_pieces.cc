#include "installer/ui/text_pieces.h"

#include "base/scoped_gdi.h"

namespace lite_installer {
namespace {

SIZE MeasureText(HFONT font, std::wstring_view text) {
  SIZE size = {0, 0};
  base::ScopedScreenDC screen;
  if (!screen.get()) return size;
  base::ScopedSelectObject selected(screen.get(), font);
  ::GetTextExtentPoint32W(screen.get(), text.data(), static_cast<int>(text.size()), &size);
  // Logical units of the screen context to device units.
  POINT extent[2] = {{0, 0}, {size.cx, size.cy}};
  ::LPtoDP(screen.get(), extent, 2);
  size.cx = extent[1].x - extent[0].x;
  size.cy = extent[1].y - extent[0].y;
  return size;
}

}  // namespace

int MeasureTextWidth(HFONT font, std::wstring_view text) {
  // A line break takes no room on the line it ends.
  std::wstring visible;
  for (wchar_t c : text)
    if (c != L'\n' && c != L'\r') visible.push_back(c);
  return MeasureText(font, visible).cx;
}

int MeasureLineHeight(HFONT font) { return MeasureText(font, L"anything").cy; }

TextLayout LayoutTextPieces(const std::vector<TextPiece>& pieces, int width, HFONT font,
                            bool centred) {
  return LayoutTextPieces(
      pieces, width, [font](std::wstring_view text) { return MeasureTextWidth(font, text); },
      centred);
}

std::vector<RECT> PlaceTextRuns(const TextLayout& layout, const RECT& rect, int line_height,
                                int extra_line_spacing) {
  std::vector<RECT> places;
  places.reserve(layout.runs.size());
  for (const TextRun& run : layout.runs) {
    const int x = rect.left + layout.line_shifts[run.line] + run.x;
    const int y = rect.top + run.line * (line_height + extra_line_spacing);
    places.push_back({x, y, x + run.width, y + line_height});
  }
  return places;
}

std::vector<HWND> CreateTextPieceWindows(HWND parent, const RECT& rect, std::wstring_view text,
                                         HFONT font, bool centred, int text_id, int link_id,
                                         int extra_line_spacing) {
  const TextLayout layout =
      LayoutTextPieces(ParseLinkMarkup(text), rect.right - rect.left, font, centred);
  const std::vector<RECT> places =
      PlaceTextRuns(layout, rect, MeasureLineHeight(font), extra_line_spacing);
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  std::vector<HWND> windows;
  for (size_t i = 0; i < layout.runs.size(); ++i) {
    const TextRun& run = layout.runs[i];
    const RECT& place = places[i];
    const DWORD style = run.is_link ? (WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW)
                                    : (WS_CHILD | WS_VISIBLE | SS_OWNERDRAW);
    const int id = run.is_link ? link_id : text_id;
    HWND window = ::CreateWindowExW(0, run.is_link ? L"Button" : L"Static", run.text.c_str(),
                                    style, place.left, place.top, place.right - place.left,
                                    place.bottom - place.top, parent,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                    nullptr);
    if (!window) continue;
    ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    windows.push_back(window);
  }
  return windows;
}

}  // namespace lite_installer
