#include "installer/ui/controls/sprite_checkbox.h"

#include <uxtheme.h>

#include <algorithm>

#include "base/scoped_gdi.h"
#include "installer/ui/controls/accessible_proxy.h"
#include "installer/ui/controls/control_painting.h"

namespace lite_installer {

int CheckboxFrameIndex(bool checked, bool hot, bool pressed) {
  return (pressed ? 2 : hot ? 1 : 0) + (checked ? 3 : 0);
}

bool VisualStylesActive() { return ::IsAppThemed() && ::IsThemeActive(); }

SpriteCheckbox::SpriteCheckbox(HWND checkbox, ResourceBitmap box, CheckboxStyle style, bool visual_styles)
    : hwnd_(checkbox),
      box_(std::move(box)),
      style_(style),
      frame_size_{box_.Width() / 6, box_.Height()},
      self_drawn_(!visual_styles) {
  if (self_drawn_ && hwnd_) {
    checked_ = ::SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    LONG_PTR styles = ::GetWindowLongPtrW(hwnd_, GWL_STYLE);
    styles = (styles & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW;
    ::SetWindowLongPtrW(hwnd_, GWL_STYLE, styles);
    // An owner-drawn button reads as a push button without a state: a
    // screen reader hears the checkbox it stands for instead.
    if (AccessibleProxy* proxy = AccessibleProxy::For(hwnd_)) {
      proxy->SetRole(kAccRoleCheckBox);
      proxy->SetChecked(checked_);
    }
  }
}

void SpriteCheckbox::ReportChecked() const {
  if (AccessibleProxy* proxy = hwnd_ ? AccessibleProxy::Find(hwnd_) : nullptr) proxy->SetChecked(checked_);
}

SpriteCheckbox::~SpriteCheckbox() = default;

void SpriteCheckbox::Toggle() {
  if (!self_drawn_) return;
  checked_ = !checked_;
  ReportChecked();
  if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
}

bool SpriteCheckbox::IsChecked() const {
  if (self_drawn_) return checked_;
  return hwnd_ && ::SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SpriteCheckbox::SetChecked(bool checked) {
  if (self_drawn_) {
    checked_ = checked;
    ReportChecked();
    if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
  } else if (hwnd_) {
    ::SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

int SpriteCheckbox::MeasureHeight(const RECT& rect) const {
  const int text_width = (rect.right - rect.left) - (style_.text_offset + frame_size_.cx + style_.padding);
  base::ScopedGetDC dc(hwnd_);
  const int text_height =
      MeasureWrappedTextHeight(dc.get(), GetWindowTextString(hwnd_), style_.font, text_width);
  return style_.padding + std::max<int>(frame_size_.cy, text_height);
}

void SpriteCheckbox::DrawBox(HDC dc, int x, int y, int frame) const {
  const int left = frame * frame_size_.cx;
  DrawPartStretched(dc, box_, RECT{x, y, x + frame_size_.cx, y + frame_size_.cy},
                    RECT{left, 0, left + frame_size_.cx, frame_size_.cy});
}

void SpriteCheckbox::DrawText(HDC dc, const RECT& item, int left, bool show_prefixes) const {
  std::wstring text = GetWindowTextString(hwnd_);
  if (text.empty()) return;
  RECT text_rect = {left, item.top + style_.padding, item.right, item.bottom};
  const UINT prefix = show_prefixes ? 0 : DT_HIDEPREFIX;
  // Measured as one line first, then as the word-wrapped block it is drawn as.
  HGDIOBJ old_font = style_.font ? ::SelectObject(dc, style_.font) : nullptr;
  RECT one_line = text_rect;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &one_line, DT_CALCRECT | DT_SINGLELINE | prefix);
  RECT block = text_rect;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &block, DT_CALCRECT | DT_WORDBREAK | prefix);
  if (old_font) ::SelectObject(dc, old_font);
  const int block_height = block.bottom - block.top;
  if (block_height < frame_size_.cy) text_rect.top += (frame_size_.cy - block_height) / 2;
  DrawTextWithOpacity(dc, text_rect, text, style_.font, style_.text_colour, style_.opacity,
                      DT_WORDBREAK | DT_LEFT | DT_TOP | prefix);
}

LRESULT SpriteCheckbox::PaintCustomDraw(const NMCUSTOMDRAW& draw) {
  if (draw.dwDrawStage != CDDS_PREERASE && draw.dwDrawStage != CDDS_PREPAINT) return CDRF_DODEFAULT;
  HDC dc = draw.hdc;
  DrawBackgroundUnder(dc, background_, hwnd_, draw.rc);
  const bool checked = IsChecked();
  DrawBox(dc, draw.rc.left, draw.rc.top,
          CheckboxFrameIndex(checked, draw.uItemState & CDIS_HOT, draw.uItemState & CDIS_SELECTED));
  DrawText(dc, draw.rc, draw.rc.left + style_.text_offset + frame_size_.cx,
           (draw.uItemState & CDIS_SHOWKEYBOARDCUES) != 0);
  return CDRF_SKIPDEFAULT;
}

void SpriteCheckbox::PaintOwnerDraw(const DRAWITEMSTRUCT& draw) {
  HDC dc = draw.hDC;
  DrawBackgroundUnder(dc, background_, hwnd_, draw.rcItem);
  const bool pressed = (draw.itemState & ODS_SELECTED) != 0;
  const bool hot = (draw.itemState & ODS_HOTLIGHT) != 0;
  DrawBox(dc, draw.rcItem.left + style_.padding, draw.rcItem.top + style_.padding,
          CheckboxFrameIndex(checked_, hot, pressed));
  DrawText(dc, draw.rcItem, draw.rcItem.left + style_.text_offset + frame_size_.cx + style_.padding,
           (draw.itemState & ODS_NOACCEL) == 0);
  if (draw.itemState & ODS_FOCUS) {
    RECT focus = draw.rcItem;
    ::DrawFocusRect(dc, &focus);
  }
}

}  // namespace lite_installer
