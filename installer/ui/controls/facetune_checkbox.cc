#include <algorithm>

#include "installer/ui/controls/control_painting.h"
#include "installer/ui/controls/sprite_checkbox.h"
#include "installer/ui/link_markup.h"
#include "installer/ui/text_pieces.h"

namespace lite_installer {

FacetuneCheckbox::FacetuneCheckbox(HWND checkbox, ResourceBitmap box, CheckboxStyle style, bool visual_styles,
                                   std::wstring marked_up_text, int extra_line_spacing)
    : SpriteCheckbox(checkbox, std::move(box), style, visual_styles),
      text_(std::move(marked_up_text)),
      extra_line_spacing_(extra_line_spacing) {
  // The control's own text (what a screen reader reads) is the plain text.
  std::wstring plain;
  for (const TextPiece& piece : ParseLinkMarkup(text_)) plain += piece.text;
  if (hwnd_) ::SetWindowTextW(hwnd_, plain.c_str());
}

int FacetuneCheckbox::TextLeft() const { return style_.padding + frame_size_.cx + style_.text_offset; }

std::vector<FacetuneCheckbox::Run> FacetuneCheckbox::LayoutRuns(int width) const {
  std::vector<Run> runs;
  const int text_width = width - TextLeft();
  if (text_width <= 0) return runs;
  const TextLayout layout = LayoutTextPieces(ParseLinkMarkup(text_), text_width, style_.font, false);
  const int line_height = MeasureLineHeight(style_.font);
  // A single line sits centred on the box; more lines start at the top.
  const int top = layout.line_count() == 1 && line_height < frame_size_.cy ? (frame_size_.cy - line_height) / 2 : 0;
  const std::vector<RECT> places =
      PlaceTextRuns(layout, RECT{TextLeft(), style_.padding + top, width, 0}, line_height, extra_line_spacing_);
  for (size_t i = 0; i < layout.runs.size(); ++i)
    runs.push_back(Run{layout.runs[i].text, layout.runs[i].is_link, places[i]});
  return runs;
}

int FacetuneCheckbox::MeasureHeight(const RECT& rect) const {
  int bottom = 0;
  for (const Run& run : LayoutRuns(rect.right - rect.left)) bottom = std::max<int>(bottom, run.rect.bottom);
  return std::max<int>(bottom, style_.padding + frame_size_.cy);
}

void FacetuneCheckbox::LayoutLinks(HWND link_window) {
  if (!hwnd_ || !link_window) return;
  RECT client = {};
  ::GetClientRect(hwnd_, &client);
  for (const Run& run : LayoutRuns(client.right)) {
    if (!run.is_link) continue;
    POINT origin = {run.rect.left, run.rect.top};
    ::MapWindowPoints(hwnd_, ::GetParent(link_window), &origin, 1);
    ::SetWindowPos(link_window, nullptr, origin.x, origin.y, run.rect.right - run.rect.left,
                   run.rect.bottom - run.rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowTextW(link_window, run.text.c_str());
    return;
  }
}

void FacetuneCheckbox::DrawText(HDC dc, const RECT& item, int, bool) const {
  for (const Run& run : LayoutRuns(item.right - item.left)) {
    if (run.is_link) continue;  // the link window draws itself
    RECT place = run.rect;
    ::OffsetRect(&place, item.left, item.top);
    place.right += 2;  // room for the last glyph's overhang
    DrawTextWithOpacity(dc, place, run.text, style_.font, style_.text_colour, style_.opacity,
                        DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  }
}

}  // namespace lite_installer
