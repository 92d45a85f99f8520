#include "installer/ui/window/window_frame.h"

#include <algorithm>
#include <string>

#include "base/scoped_gdi.h"
#include "installer/ui/controls/accessible_proxy.h"
#include "installer/ui/controls/control_painting.h"
#include "installer/ui/ui_strings.h"
#include "installer/ui/window/window_look.h"

namespace lite_installer {
namespace {

constexpr UINT kStringClose = 415;
constexpr UINT kStringCollapse = 416;
constexpr UINT kStringCancel = 417;

}  // namespace

bool IsZero(const RECT& r) { return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0; }

int Scaled(int value, double scale) { return static_cast<int>(value * scale); }

void WindowFrame::CreateButtons() {
  auto make_button = [&](int id, const ResourceBitmap& sprite) -> std::unique_ptr<SpriteButton> {
    HWND control = ::GetDlgItem(window, id);
    if (!control) return nullptr;
    auto button = std::make_unique<SpriteButton>(control, sprite);
    button->set_background(background);
    return button;
  };
  close_button = make_button(kIdClose, look->close_sprite);
  if (close_button) {
    if (AccessibleProxy* proxy = AccessibleProxy::For(close_button->hwnd())) {
      proxy->SetRole(kAccRolePushButton);
      proxy->SetName(LoadUiString(kStringClose, langid));
    }
  }
  if (facetune) {
    minimize_button = make_button(kIdMinimize, look->minimize_sprite);
    if (minimize_button) {
      if (AccessibleProxy* proxy = AccessibleProxy::For(minimize_button->hwnd())) {
        proxy->SetRole(kAccRolePushButton);
        proxy->SetName(LoadUiString(kStringCollapse, langid));
      }
    }
  }
  cancel_button = make_button(kIdCancel, look->cancel_sprite);
  if (cancel_button) {
    cancel_button->set_focus_inset(2);
    cancel_button->set_font(look->body_font);
    cancel_button->set_text_colour(RGB(0, 0, 0));
    SetControlText(window, kIdCancel, kStringCancel, langid);
  }
}

SpriteButton* WindowFrame::ButtonFor(HWND control) const {
  for (SpriteButton* button : {close_button.get(), minimize_button.get(), cancel_button.get()})
    if (button && button->hwnd() == control) return button;
  return nullptr;
}

void WindowFrame::DestroyControls(int id) const {
  for (HWND child = ::GetWindow(window, GW_CHILD); child;) {
    HWND next = ::GetWindow(child, GW_HWNDNEXT);
    if (::GetDlgCtrlID(child) == id) ::DestroyWindow(child);
    child = next;
  }
}

void WindowFrame::PlaceAt(HWND control, const RECT& rect, SIZE size, bool show) const {
  if (!control) return;
  if (IsZero(rect)) {
    ::ShowWindow(control, SW_HIDE);
    return;
  }
  ::SetWindowPos(control, nullptr, rect.left, rect.top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE | (show ? SWP_SHOWWINDOW : 0));
}

void WindowFrame::PlaceTitle() const {
  HWND title = ::GetDlgItem(window, kIdTitle);
  if (!title) return;
  // The layout's rectangle reaches down to the progress bar; the window is
  // only as tall as its text, so it covers none of the controls below.
  const RECT& rect = look->title;
  const int width = rect.right - rect.left;
  int text_height = 0;
  {
    base::ScopedGetDC dc(title);
    text_height = MeasureWrappedTextHeight(dc.get(), GetWindowTextString(title), look->title_font, width,
                                           look->title_centred ? DT_CENTER : DT_LEFT);
  }
  const int height = std::min<int>(rect.bottom - rect.top, text_height + Scaled(4, look->scale));
  PlaceAt(title, rect, SIZE{width, height}, true);
}

void WindowFrame::DrawTitle(const DRAWITEMSTRUCT& draw) const {
  const std::wstring text = GetWindowTextString(draw.hwndItem);
  DrawBackgroundUnder(draw.hDC, background, draw.hwndItem, draw.rcItem);
  DrawTextWithOpacity(draw.hDC, draw.rcItem, text, look->title_font, look->title_colour.colour, 255,
                      DT_WORDBREAK | DT_NOPREFIX | (look->title_centred ? DT_CENTER : DT_LEFT));
}

}  // namespace lite_installer
