#include "installer/ui/controls/sprite_button.h"

#include <string>

#include "base/scoped_gdi.h"
#include "installer/ui/controls/control_painting.h"

namespace lite_installer {

ButtonState ButtonStateFromItemState(UINT item_state) {
  if (item_state & CDIS_SELECTED) return ButtonState::kPressed;
  if (item_state & CDIS_HOT) return ButtonState::kHot;
  return ButtonState::kNormal;
}

SpriteButton::SpriteButton(HWND button, ResourceBitmap sprite) : hwnd_(button), sprite_(std::move(sprite)) {}

SpriteButton::~SpriteButton() = default;

SIZE SpriteButton::GetSize() const { return SIZE{sprite_.Width() / 3, sprite_.Height()}; }

LRESULT SpriteButton::Paint(const NMCUSTOMDRAW& draw) {
  if (draw.dwDrawStage != CDDS_PREERASE && draw.dwDrawStage != CDDS_PREPAINT) return CDRF_DODEFAULT;
  if (draw.uItemState & CDIS_SHOWKEYBOARDCUES) keyboard_focus_visible_ = true;
  const ButtonState state = ButtonStateFromItemState(draw.uItemState);
  HDC dc = draw.hdc;
  RECT rect = draw.rc;
  DrawBackgroundUnder(dc, background_, hwnd_, rect);
  DrawFrame(dc, rect, state);

  std::wstring text = GetWindowTextString(hwnd_);
  if (!text.empty()) {
    RECT text_rect = {rect.left + insets_.left, rect.top + insets_.top, rect.right - insets_.right,
                      rect.bottom - insets_.bottom};
    if (state == ButtonState::kPressed) ::OffsetRect(&text_rect, pressed_offset_.x, pressed_offset_.y);
    HGDIOBJ old_font = font_ ? ::SelectObject(dc, font_) : nullptr;
    int old_mode = ::SetBkMode(dc, TRANSPARENT);
    COLORREF old_colour = ::SetTextColor(dc, text_colour_);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &text_rect,
                DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    ::SetTextColor(dc, old_colour);
    ::SetBkMode(dc, old_mode);
    if (old_font) ::SelectObject(dc, old_font);
  }
  if ((draw.uItemState & CDIS_FOCUS) && keyboard_focus_visible_) {
    RECT focus = rect;
    ::InflateRect(&focus, -focus_inset_, -focus_inset_);
    ::DrawFocusRect(dc, &focus);
  }
  return CDRF_SKIPDEFAULT;
}

void SpriteButton::DrawFrame(HDC dc, const RECT& rect, ButtonState state) {
  const int frame = sprite_.Width() / 3;
  const int x = frame * static_cast<int>(state);
  DrawPartStretched(dc, sprite_, rect, RECT{x, 0, x + frame, sprite_.Height()});
}

StretchButton::StretchButton(HWND button, ResourceBitmap sprite, int cap)
    : SpriteButton(button, std::move(sprite)), cap_(cap) {}

SIZE StretchButton::MeasureForText(int padding_x, int padding_y) const {
  std::wstring text = GetWindowTextString(hwnd_);
  base::ScopedGetDC dc(hwnd_);
  base::ScopedSelectObject selected_font(dc.get(), font_);
  SIZE size = {};
  ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return SIZE{size.cx + 2 * padding_x, size.cy + 2 * padding_y};
}

void StretchButton::DrawFrame(HDC dc, const RECT& rect, ButtonState state) {
  const int frame = sprite_.Width() / 3;
  const int sprite_height = sprite_.Height();
  const int height = rect.bottom - rect.top;
  const int width = rect.right - rect.left;
  if (frame <= 0 || sprite_height <= 0) return;
  const double ratio = static_cast<double>(height) / sprite_height;
  const int cap = cap_ < frame / 2 ? cap_ : frame / 2;
  const int cap_width = static_cast<int>(cap * ratio);
  const int origin = frame * static_cast<int>(state);
  if (cap > 0) {
    DrawPartStretched(dc, sprite_, RECT{rect.left, rect.top, rect.left + cap_width, rect.bottom},
                      RECT{origin, 0, origin + cap, sprite_height});
    DrawPartStretched(dc, sprite_, RECT{rect.right - cap_width, rect.top, rect.right, rect.bottom},
                      RECT{origin + frame - cap, 0, origin + frame, sprite_height});
  }
  DrawPartStretched(dc, sprite_, RECT{rect.left + cap_width, rect.top, rect.left + width - cap_width, rect.bottom},
                    RECT{origin + cap, 0, origin + frame - cap, sprite_height});
}

}  // namespace lite_installer
