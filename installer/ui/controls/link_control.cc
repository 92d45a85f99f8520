#include "installer/ui/controls/link_control.h"

#include "base/scoped_gdi.h"
#include "installer/ui/controls/control_painting.h"

namespace lite_installer {

LinkControl::LinkControl(HWND link, COLORREF colour, BYTE opacity, HFONT font, ResourceBitmap background)
    : colour_(colour),
      opacity_(opacity),
      font_(font),
      background_(std::move(background)),
      hand_(::LoadCursorW(nullptr, IDC_HAND)) {
  Subclass(link);
}

void LinkControl::Paint(const DRAWITEMSTRUCT& draw) {
  HDC dc = draw.hDC;
  DrawBackgroundUnder(dc, background_, draw.hwndItem, draw.rcItem);
  DrawTextWithOpacity(dc, draw.rcItem, GetWindowTextString(draw.hwndItem), font_, colour_, opacity_,
                      DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  if (draw.itemState & ODS_FOCUS) {
    RECT focus = draw.rcItem;
    ::DrawFocusRect(dc, &focus);
  }
}

SIZE LinkControl::MeasureText() const {
  SIZE size = {};
  if (!hwnd()) return size;
  std::wstring text = GetWindowTextString(hwnd());
  base::ScopedGetDC dc(hwnd());
  base::ScopedSelectObject selected_font(dc.get(), font_);
  ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

LRESULT LinkControl::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SETCURSOR && hand_) {
    ::SetCursor(hand_);
    return TRUE;
  }
  return CallPrevious(message, wparam, lparam);
}

}  // namespace lite_installer
