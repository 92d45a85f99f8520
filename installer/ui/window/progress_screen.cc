#include "installer/ui/window/progress_screen.h"

#include <utility>
#include <vector>

#include "base/scoped_gdi.h"
#include "installer/config/brand_info.h"
#include "installer/ui/controls/accessible_proxy.h"
#include "installer/ui/controls/control_painting.h"
#include "installer/ui/slides/slide_show.h"
#include "installer/ui/text_pieces.h"
#include "installer/ui/ui_strings.h"
#include "installer/ui/window/slide_painter.h"
#include "installer/ui/window/window_look.h"

namespace lite_installer {
namespace {

constexpr UINT kStringSkippedTitle = 410;

}  // namespace

ProgressScreen::ProgressScreen(WindowFrame& frame, std::function<std::wstring(int)> progress_text)
    : frame_(frame), progress_text_(std::move(progress_text)) {}

ProgressScreen::~ProgressScreen() = default;

void ProgressScreen::Create(bool skipped) {
  HWND window = frame_.window;
  const WindowLook& look = *frame_.look;
  CreateTaskbarProgress();
  if (skipped && !frame_.facetune) CreateLateLicenceLine();
  if (HWND bar = ::GetDlgItem(window, kIdProgress)) {
    progress_bar_ = std::make_unique<CustomProgressBar>(bar);
    progress_bar_->SetImages(look.progress_fill, look.progress_track, look.first_slide);
    const RECT& r = look.progress_bar;
    frame_.PlaceAt(bar, r, SIZE{r.right - r.left, r.bottom - r.top}, false);
  }
  if (HWND text = ::GetDlgItem(window, kIdProgressText)) {
    const RECT& r = look.progress_text;
    frame_.PlaceAt(text, r, SIZE{r.right - r.left, r.bottom - r.top}, true);
  }
  if (frame_.facetune && frame_.minimize_button) {
    ::ShowWindow(frame_.minimize_button->hwnd(), SW_SHOW);
  }
  std::vector<ResourceBitmap> initial;
  if (skipped) initial.push_back(frame_.background);
  initial.push_back(look.first_slide);
  slides_ = CreateSlideShow(*frame_.brand, SIZE{look.width, look.height}, look.slide_brush, std::move(initial),
                            kSlidePeriodMs, look.scale);
}

void ProgressScreen::CreateTaskbarProgress() {
  HWND window = frame_.window;
  if (taskbar_) return;
  Microsoft::WRL::ComPtr<ITaskbarList3> taskbar;
  if (SUCCEEDED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                   reinterpret_cast<void**>(taskbar.GetAddressOf()))) &&
      taskbar) {
    if (SUCCEEDED(taskbar->HrInit())) {
      taskbar->SetProgressState(window, TBPF_NORMAL);
      taskbar->SetProgressValue(window, 0, 100);
      taskbar_.Swap(taskbar);
    }
  }
}

void ProgressScreen::CreateLateLicenceLine() {
  HWND window = frame_.window;
  const WindowLook& look = *frame_.look;
  const bool less_contrasty = frame_.brand->LessContrasty();
  std::vector<HWND> pieces = CreateTextPieceWindows(
      window, look.late_licence, LicenceLineText(frame_.langid, less_contrasty, frame_.facetune), look.small_font,
      true, kIdLateLicenceText, kIdLateLicenceLink, look.extra_line_spacing);
  late_licence_shown_ = !pieces.empty();
  if (HWND link = ::GetDlgItem(window, kIdLateLicenceLink)) {
    late_licence_link_ =
        std::make_unique<LinkControl>(link, RGB(0, 0, 0), 255, look.small_underlined_font, frame_.background);
    if (AccessibleProxy* proxy = AccessibleProxy::For(link)) {
      proxy->SetRole(kAccRoleLink);
      proxy->SetName(RemoveParentheses(
          LoadUiString(less_contrasty ? kStringLicenceLineLessContrasty : kStringLicenceLine, frame_.langid)));
    }
  }
}

void ProgressScreen::Show(bool skipped, bool cancel_allowed) {
  HWND window = frame_.window;
  const WindowLook& look = *frame_.look;
  if (frame_.facetune) {
    if (SpriteButton* minimize = frame_.minimize_button.get())
      frame_.PlaceAt(minimize->hwnd(), look.minimize_button, minimize->GetSize(), true);
    if (skipped) {
      SetControlText(window, kIdTitle, kStringSkippedTitle, frame_.langid);
      frame_.PlaceTitle();
      if (SpriteButton* close = frame_.close_button.get())
        frame_.PlaceAt(close->hwnd(), look.close_button, close->GetSize(), true);
    }
  }
  header_text_pending_ = skipped && ::GetDlgItem(window, kIdTitle) != nullptr;
  if (frame_.close_button) frame_.close_button->set_background(look.first_slide);
  if (frame_.minimize_button) frame_.minimize_button->set_background(look.first_slide);
  PlaceCancelButton(cancel_allowed);
  if (progress_bar_) {
    progress_bar_->SetRange(0, 100);
    progress_bar_->SetPos(0);
    ::ShowWindow(progress_bar_->hwnd(), SW_SHOW);
  }
  if (HWND text = ::GetDlgItem(window, kIdProgressText)) ::SetWindowTextW(text, progress_text_(0).c_str());
  ::SetTimer(window, kSlideTimerId, kSlideTimerMs, nullptr);
  if (progress_bar_) ::SetFocus(progress_bar_->hwnd());
  progress_.Activate();
}

void ProgressScreen::PlaceCancelButton(bool cancel_allowed) {
  const WindowLook& look = *frame_.look;
  SpriteButton* cancel = frame_.cancel_button.get();
  if (!cancel_allowed || !cancel) {
    frame_.DestroyControls(kIdCancel);
    frame_.cancel_button.reset();
    return;
  }
  cancel->set_background(look.first_slide);
  const SIZE size = cancel->GetSize();
  RECT place = look.close_button;
  if (frame_.facetune) {
    // The close button stays: the cancel button goes right of the bar.
    const RECT& bar = look.progress_bar;
    const int left = bar.right + Scaled(8, look.scale);
    const int top = (bar.top + bar.bottom) / 2 - size.cy / 2;
    place = RECT{left, top, left + size.cx, top + size.cy};
  }
  if (!IsZero(place)) frame_.PlaceAt(cancel->hwnd(), place, size, true);
}

void ProgressScreen::SetProgress(int percent) {
  if (!progress_.active() || !progress_.Accept(percent)) return;
  HWND window = frame_.window;
  if (progress_bar_) progress_bar_->SetPos(percent);
  if (HWND text = ::GetDlgItem(window, kIdProgressText)) {
    ::SetWindowTextW(text, progress_text_(percent).c_str());
    ::InvalidateRect(text, nullptr, FALSE);
  }
  if (taskbar_) taskbar_->SetProgressValue(window, static_cast<ULONGLONG>(percent), 100);
}

void ProgressScreen::OnTimer() {
  if (!slides_) return;
  if (slides_->HasAdvanced()) {
    if (late_licence_shown_) {
      late_licence_link_.reset();
      frame_.DestroyControls(kIdLateLicenceText);
      frame_.DestroyControls(kIdLateLicenceLink);
      late_licence_shown_ = false;
    }
    if (header_text_pending_) {
      frame_.DestroyControls(kIdTitle);
      header_text_pending_ = false;
    }
  }
  if (slides_->Tick()) ::RedrawWindow(frame_.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void ProgressScreen::Paint(HDC dc, const RECT& client) {
  const WindowLook& look = *frame_.look;
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  base::ScopedBitmapDC memory(dc, width, height);
  if (slides_) slides_->Paint(memory.get(), client);
  if (slides_) {
    ResourceBitmap current = slides_->CurrentPicture();
    // The buttons blend with the slide on show (it is bottom-aligned).
    if (frame_.close_button) frame_.close_button->set_background(current);
    if (frame_.minimize_button) frame_.minimize_button->set_background(current);
  }
  if (!frame_.facetune) {
    const ResourceBitmap& logo_picture = look.logo_light;
    const RECT& logo = look.logo;
    logo_picture.Draw(memory.get(), logo.left, logo.top, logo_picture.Width(), logo_picture.Height(), 0, 0,
                      logo_picture.Width(), logo_picture.Height());
  }
  ::BitBlt(dc, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
}

bool ProgressScreen::DrawItem(const DRAWITEMSTRUCT& draw) const {
  const WindowLook& look = *frame_.look;
  switch (static_cast<int>(draw.CtlID)) {
    case kIdProgressText:
      DrawBackgroundUnder(draw.hDC, look.first_slide, draw.hwndItem, draw.rcItem);
      DrawTextWithOpacity(draw.hDC, draw.rcItem, GetWindowTextString(draw.hwndItem), look.body_font,
                          look.progress_text_colour.colour, look.progress_text_colour.opacity,
                          DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
      return true;
    case kIdLateLicenceText:
      DrawBackgroundUnder(draw.hDC, frame_.background, draw.hwndItem, draw.rcItem);
      DrawTextWithOpacity(draw.hDC, draw.rcItem, GetWindowTextString(draw.hwndItem), look.small_font,
                          look.text_colour, 255, DT_WORDBREAK | DT_NOPREFIX);
      return true;
    case kIdLateLicenceLink:
      if (late_licence_link_ && late_licence_link_->hwnd() == draw.hwndItem) late_licence_link_->Paint(draw);
      return true;
    default:
      return false;
  }
}

}  // namespace lite_installer
