#include "installer/ui/window/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "base/logging.h"
#include "base/strings.h"
#include "base/test_hooks.h"
#include "installer/config/brand_info.h"
#include "installer/config/distrib_info_params.h"
#include "installer/config/installer_options.h"
#include "installer/ui/controls/accessible_proxy.h"
#include "installer/ui/controls/control_painting.h"
#include "installer/ui/controls/initial_checkbox_states.h"
#include "installer/ui/text_pieces.h"
#include "installer/ui/ui_strings.h"
#include "installer/ui/slides/slide_show.h"
#include "installer/ui/window/slide_painter.h"

namespace lite_installer {
namespace {

// Work handed from the install thread to the UI thread. They stay clear of
// WM_APP + 101, which an elevated instance posts with its time estimate and
// the window ignores.
constexpr UINT kMsgCloseWindow = WM_APP + 110;
constexpr UINT kMsgShowError = WM_APP + 111;
constexpr UINT kMsgRemoveCancel = WM_APP + 112;

constexpr int kIconGroup = IDI_KELMOR;
constexpr UINT kStringWindowTitle = 400;
constexpr UINT kStringSkippedTitle = 410;
constexpr UINT kStringInstall = 414;
constexpr UINT kStringClose = 415;
constexpr UINT kStringCollapse = 416;
constexpr UINT kStringKepinOffer = 428;
constexpr UINT kStringCancel = 417;

bool IsZero(const RECT& r) { return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0; }

int Scaled(int value, double scale) { return static_cast<int>(value * scale); }

using ChangeWindowMessageFilterExFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
using ChangeWindowMessageFilterFn = BOOL(WINAPI*)(UINT, DWORD);

// Lets `message` through the window's message filter so that setup, which
// may run at another integrity level, can post it.
void AllowMessage(HWND window, UINT message, uint32_t major, uint32_t minor) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (!user32) return;
  if (major > 6 || (major == 6 && minor >= 1)) {
    auto filter_ex = reinterpret_cast<ChangeWindowMessageFilterExFn>(
        ::GetProcAddress(user32, "ChangeWindowMessageFilterEx"));
    if (filter_ex) filter_ex(window, message, 1 /* MSGFLT_ALLOW */, nullptr);
  } else if (major == 6) {
    auto filter = reinterpret_cast<ChangeWindowMessageFilterFn>(
        ::GetProcAddress(user32, "ChangeWindowMessageFilter"));
    if (filter) filter(message, 1 /* MSGFLT_ADD */);
  }
}

}  // namespace

MainWindow::MainWindow(std::shared_ptr<const BrandInfo> brand, std::shared_ptr<const DistribInfoParams> params,
                       bool open_mode, MainWindowEnvironment environment)
    : brand_(std::move(brand)), params_(std::move(params)), env_(std::move(environment)), open_mode_(open_mode) {
  msg_import_progress_ = ::RegisterWindowMessageW(L"kelmor.lite.set_import_progress");
  msg_close_window_ = ::RegisterWindowMessageW(L"kelmor.lite.close_window");
  msg_install_progress_ = ::RegisterWindowMessageW(L"kelmor.lite.set_install_progress");
  msg_higher_version_ = ::RegisterWindowMessageW(L"kelmor.higher_version_exist");
  msg_move_window_ = ::RegisterWindowMessageW(L"kelmor.lite.move_window");
  msg_corp_higher_version_ = ::RegisterWindowMessageW(L"kelmor.corp.user_higher_version_exist");
  msg_corp_browser_exists_ = ::RegisterWindowMessageW(L"kelmor.corp.user_browser_exists");
  if (env_.create_dialogs) dialogs_ = env_.create_dialogs();

  langid_ = static_cast<LANGID>(brand_->language_id);
  facetune_ = brand_->FacetuneEnabled();
  skip_first_screen_ = CanSkipFirstScreen(*params_, *brand_);
  kepin_offer_state_ = GetKepinTrialState(*params_, *brand_, env_.options);
  uac_mode_ = GetUacMode(*params_, *brand_, env_.options);

  uint32_t interface_status = 0;
  bool interface_available = false;
  const bool windows10 = env_.windows_major >= 10;
  if (open_mode_ && windows10 && env_.interface_check)
    interface_available = env_.interface_check(&interface_status);
  can_make_default_ = CanMakeBrowserDefault(env_.windows_major, env_.windows_minor, interface_available);

  const bool show_default = !GetMakeDefaultPreset(*params_).has_value() && uac_mode_ != 2 &&
                            !(open_mode_ && !can_make_default_);
  const bool show_stat = !GetSendStatisticsPreset(*params_).has_value();
  const bool offer_kepin = kepin_offer_state_ == 2 || kepin_offer_state_ == 3;
  kind_ = (show_default ? 1 : 0) | (show_stat ? 2 : 0) | (offer_kepin ? 4 : 0);

  WindowLookInputs look_inputs;
  look_inputs.brand = brand_.get();
  look_inputs.langid = langid_;
  look_inputs.windows_major = env_.windows_major;
  look_inputs.windows_minor = env_.windows_minor;
  look_inputs.kind = kind_;
  look_inputs.existing_browser_found = env_.existing_browser_found;
  look_inputs.scale = env_.scale;
  look_ = CreateWindowLook(look_inputs);

  if (open_mode_ && env_.create_controller) {
    controller_ = env_.create_controller(this);
    if (controller_) {
      controller_->SetInstallationType(env_.corporate_edition      ? "corporate"
                                       : env_.existing_browser_found ? "user"
                                                                     : "none");
      if (windows10) controller_->SetInterfaceAvailability(interface_status);
      controller_->StartAsync();
    }
  }
}

MainWindow::~MainWindow() {
  // The controller goes first: it stops its thread, which may still report.
  controller_.reset();
  slides_.reset();
  if (taskbar_) taskbar_->Release();
  if (icon_big_) ::DestroyIcon(icon_big_);
  if (icon_small_) ::DestroyIcon(icon_small_);
}

INT_PTR MainWindow::RunModal() {
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kMainWindowDialogId), nullptr,
                           &StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

int32_t MainWindow::ControllerResult() const { return controller_ ? controller_->ResultCode() : 400; }

// --- Receiver (install thread) -------------------------------------------

void MainWindow::OnDownloadProgress(float fraction) { SetProgress(DownloadPercent(fraction)); }

void MainWindow::SetProgress(int32_t percent) {
  if (HWND window = hwnd_.load()) ::PostMessageW(window, kMsgSetProgress, static_cast<WPARAM>(percent), 0);
}

void MainWindow::CloseWindow() {
  if (HWND window = hwnd_.load()) ::PostMessageW(window, kMsgCloseWindow, 0, 0);
}

void MainWindow::ShowError(int32_t kind) {
  pending_error_code_ = kind;
  if (HWND window = hwnd_.load()) ::PostMessageW(window, kMsgShowError, static_cast<WPARAM>(kind), 0);
}

HWND MainWindow::GetWindowHandle() { return hwnd_.load(); }

void MainWindow::RemoveCancelButton() {
  if (HWND window = hwnd_.load()) ::PostMessageW(window, kMsgRemoveCancel, 0, 0);
}

// --- Dialog procedure ------------------------------------------------------

INT_PTR CALLBACK MainWindow::StaticDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  MainWindow* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<MainWindow*>(lparam);
    ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = window;
  } else {
    self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, DWLP_USER));
  }
  if (!self) return FALSE;
  INT_PTR result = self->DialogProc(message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    self->OnWindowDestroyed();
    self->hwnd_ = nullptr;
  }
  return result;
}

INT_PTR MainWindow::DialogProc(UINT message, WPARAM wparam, LPARAM lparam) {
  HWND window = hwnd_.load();
  if (message == msg_install_progress_ && message) {
    OnInstallProgress(static_cast<int>(wparam));
    return TRUE;
  }
  if (message == msg_import_progress_ && message) {
    OnImportProgress(static_cast<int>(wparam));
    return TRUE;
  }
  if (message == msg_close_window_ && message) {
    OnCloseWindow();
    return TRUE;
  }
  if (message == msg_higher_version_ && message) {
    OnNotice(NoticeKind::kNewerVersionInstalled);
    return TRUE;
  }
  if (message == msg_corp_higher_version_ && message) {
    OnNotice(NoticeKind::kCorporateNewerVersion);
    return TRUE;
  }
  if (message == msg_corp_browser_exists_ && message) {
    ::SetWindowLongPtrW(window, DWLP_MSGRESULT, OnCorporateBrowserExists());
    return TRUE;
  }
  if (message == msg_move_window_ && message) {
    OnMoveWindow();
    return TRUE;
  }
  if (drag_.HandleMessage(window, message, msg_move_window_)) return TRUE;
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return FALSE;  // the focus is set by the window itself
    case kMsgSetProgress:
      OnProgress(static_cast<int>(wparam));
      return TRUE;
    case kMsgCloseWindow:
      if (install_clicked_) EndWith(1);
      return TRUE;
    case kMsgShowError:
      if (install_clicked_) OnShowError(static_cast<int32_t>(wparam));
      return TRUE;
    case kMsgRemoveCancel:
      DestroyControls(kIdCancel);
      cancel_button_.reset();
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    case WM_SYSCOMMAND:
      switch (wparam & 0xFFF0) {
        case SC_RESTORE:
          RaiseButton(L"restore");
          ::ShowWindow(window, SW_SHOWNORMAL);
          return TRUE;
        case SC_CLOSE:
          // Alt+F4 and the system menu's Close: during the installation
          // they ask the same resume question as the window's own buttons.
          if (progress_screen_active_) {
            if (!ConfirmStop()) return TRUE;
            RaiseButton(L"cancel");
            if (shadow_) ::ShowWindow(shadow_, SW_HIDE);
          }
          EndWith(2);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_NCACTIVATE:
      if (wparam && install_button_) install_button_->set_keyboard_focus_visible(false);
      return FALSE;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_NOTIFY: {
      const NMHDR& header = *reinterpret_cast<const NMHDR*>(lparam);
      if (header.code != NM_CUSTOMDRAW) return FALSE;
      ::SetWindowLongPtrW(window, DWLP_MSGRESULT, OnNotify(header));
      return TRUE;
    }
    case WM_PAINT:
      OnPaint();
      return TRUE;
    case WM_ERASEBKGND:
      ::SetWindowLongPtrW(window, DWLP_MSGRESULT, 1);
      return TRUE;
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(::GetStockObject(NULL_BRUSH));
    case WM_TIMER:
      if (wparam == kSlideTimerId) OnTimer();
      return TRUE;
    case WM_DESTROY:
      ::KillTimer(window, kSlideTimerId);
      // The shadow is an owned window: it goes with this one.
      shadow_ = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

// --- Initialisation ----------------------------------------------------------

bool MainWindow::OnInitDialog() {
  HWND window = hwnd_.load();
  // 1. Setup's messages may come from another integrity level.
  for (UINT id : {msg_import_progress_, msg_close_window_, msg_install_progress_, msg_higher_version_,
                  msg_move_window_, msg_corp_higher_version_, msg_corp_browser_exists_})
    AllowMessage(window, id, env_.windows_major, env_.windows_minor);

  // 2. An elevation prompt now, while the user looks at the window.
  if (uac_mode_ == 1 && env_.need_elevation && env_.need_elevation()) StartElevatedInstallerOrLog();

  // 3. Texts, pictures, icon, size, shape, place.
  SetTexts();
  background_ = look_->background;
  header_logo_ = look_->logo_dark;
  HMODULE module = ::GetModuleHandleW(nullptr);
  icon_big_ = static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(kIconGroup), IMAGE_ICON,
                                              ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0));
  icon_small_ = static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(kIconGroup), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
  if (icon_big_) ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_big_));
  if (icon_small_) ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_small_));
  const int width = background_.empty() ? look_->width : background_.Width();
  const int height = background_.empty() ? look_->height : background_.Height();
  RECT work = {};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + ((work.right - work.left) - width) / 2;
  const int y = work.top + ((work.bottom - work.top) - height) / 2;
  ::SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  look_->ApplyRegion(window);

  // 4. The licence line under the Install button.
  CreateLicenceLine();
  // 5. The control objects.
  CreateFirstScreenControls();

  // 6. The first screen, or straight on to the progress screen.
  if (skip_first_screen_) {
    // Nobody presses Install: the installation counts as accepted now.
    install_clicked_ = true;
    if (!LayoutProgressDialog()) return false;
  } else {
    LayoutFirstScreen();
  }

  // 7. Shadow, tab order, keyboard.
  ClipSiblings();
  shadow_ = look_->CreateShadow(window, !facetune_);
  OnMoveWindow();
  FixTabOrder();
  OnFirstScreenCreated();
  if (!skip_first_screen_) {
    if (HWND install = ::GetDlgItem(window, kIdInstall)) ::SetFocus(install);
  }
  return true;
}

void MainWindow::SetTexts() {
  HWND window = hwnd_.load();
  ::SetWindowTextW(window, LoadUiString(kStringWindowTitle, langid_).c_str());
  SetControlText(window, kIdInstall, kStringInstall, langid_);
  SetControlText(window, kIdDefaultCheckbox, look_->default_checkbox_text_id, langid_);
  SetControlText(window, kIdStatCheckbox, kStringStatisticsSentence, langid_);
  SetControlText(window, kIdPolicyLink, kStringPrivacyPolicy, langid_);
  SetControlText(window, kIdTitle, look_->title_text_id, langid_);
  if (kind_ & 4) SetControlText(window, kIdKepinCheckbox, kStringKepinOffer, langid_);
}

void MainWindow::CreateLicenceLine() {
  HWND window = hwnd_.load();
  const std::wstring text = LicenceLineText(langid_, brand_->LessContrasty(), facetune_);
  CreateTextPieceWindows(window, look_->licence_line, text, look_->body_font, false, kIdLicenceText,
                         kIdLicenceLink, look_->extra_line_spacing);
}

void MainWindow::CreateFirstScreenControls() {
  HWND window = hwnd_.load();
  auto make_button = [&](int id, const ResourceBitmap& sprite) -> std::unique_ptr<SpriteButton> {
    HWND control = ::GetDlgItem(window, id);
    if (!control) return nullptr;
    auto button = std::make_unique<SpriteButton>(control, sprite);
    button->set_background(background_);
    return button;
  };
  install_button_ = make_button(kIdInstall, look_->install_sprite);
  if (install_button_) {
    install_button_->set_font(look_->body_font);
    install_button_->set_text_colour(look_->install_text_colour);
    install_button_->set_focus_inset(facetune_ ? 0 : 2);
  }
  close_button_ = make_button(kIdClose, look_->close_sprite);
  if (close_button_) {
    if (AccessibleProxy* proxy = AccessibleProxy::For(close_button_->hwnd())) {
      proxy->SetRole(kAccRolePushButton);
      proxy->SetName(LoadUiString(kStringClose, langid_));
    }
  }
  if (facetune_) {
    minimize_button_ = make_button(kIdMinimize, look_->minimize_sprite);
    if (minimize_button_) {
      if (AccessibleProxy* proxy = AccessibleProxy::For(minimize_button_->hwnd())) {
        proxy->SetRole(kAccRolePushButton);
        proxy->SetName(LoadUiString(kStringCollapse, langid_));
      }
    }
  }
  cancel_button_ = make_button(kIdCancel, look_->cancel_sprite);
  if (cancel_button_) {
    cancel_button_->set_focus_inset(2);
    cancel_button_->set_font(look_->body_font);
    cancel_button_->set_text_colour(RGB(0, 0, 0));
    SetControlText(window, kIdCancel, kStringCancel, langid_);
  }

  // The checkboxes and their first states.
  CheckboxStateInputs inputs;
  inputs.make_browser_default = brand_->make_browser_default;
  inputs.send_statistics = brand_->send_statistics;
  inputs.open_mode = open_mode_;
  inputs.can_make_default = can_make_default_;
  inputs.kepin_offer_state = kepin_offer_state_;
  const CheckboxStates states = ComputeInitialCheckboxStates(inputs);
  const bool visual_styles = VisualStylesActive();
  LOG(INFO) << "Checkboxes: visual styles " << (visual_styles ? "on" : "off");
  CheckboxStyle style;
  style.text_colour = look_->checkbox_colour;
  style.font = look_->body_font;
  style.text_offset = look_->checkbox_text_gap;
  auto make_checkbox = [&](int id) -> std::unique_ptr<SpriteCheckbox> {
    HWND control = ::GetDlgItem(window, id);
    if (!control) return nullptr;
    auto checkbox = std::make_unique<SpriteCheckbox>(control, look_->checkbox_sprite, style, visual_styles);
    checkbox->set_background(background_);
    return checkbox;
  };
  if (kind_ & 1) {
    default_checkbox_ = make_checkbox(kIdDefaultCheckbox);
    if (default_checkbox_) default_checkbox_->SetChecked(states.default_checked);
  }
  if (kind_ & 2) {
    HWND control = ::GetDlgItem(window, kIdStatCheckbox);
    if (control && facetune_) {
      CheckboxStyle facetune_style = style;
      facetune_style.opacity = look_->licence_colour.opacity;
      auto checkbox = std::make_unique<FacetuneCheckbox>(control, look_->checkbox_sprite, facetune_style,
                                                         visual_styles, StatisticsSentenceWithPolicyLink(langid_),
                                                         look_->extra_line_spacing);
      checkbox->set_background(background_);
      stat_checkbox_ = std::move(checkbox);
    } else if (control) {
      stat_checkbox_ = make_checkbox(kIdStatCheckbox);
    }
    if (stat_checkbox_) stat_checkbox_->SetChecked(states.sendstat_checked);
  }
  if (kind_ & 4) {
    kepin_checkbox_ = make_checkbox(kIdKepinCheckbox);
    if (kepin_checkbox_) kepin_checkbox_->SetChecked(states.kepin_checked);
  }

  // The links.
  if (HWND licence = ::GetDlgItem(window, kIdLicenceLink)) {
    licence_link_ = std::make_unique<LinkControl>(licence, look_->licence_link_colour.colour,
                                                  look_->licence_link_colour.opacity, look_->link_font, background_);
    if (AccessibleProxy* proxy = AccessibleProxy::For(licence)) {
      proxy->SetRole(kAccRoleLink);
      proxy->SetName(RemoveParentheses(LoadUiString(
          brand_->LessContrasty() ? kStringLicenceLineLessContrasty : kStringLicenceLine, langid_)));
    }
  }
  HWND policy = ::GetDlgItem(window, kIdPolicyLink);
  if (policy && stat_checkbox_) {
    policy_link_ = std::make_unique<LinkControl>(policy, look_->licence_link_colour.colour,
                                                 look_->licence_link_colour.opacity, look_->link_font, background_);
    if (AccessibleProxy* proxy = AccessibleProxy::For(policy)) {
      proxy->SetRole(kAccRoleLink);
      proxy->SetName(LoadUiString(kStringPrivacyPolicy, langid_));
    }
  } else if (policy) {
    ::ShowWindow(policy, SW_HIDE);
  }
}

void MainWindow::PlaceAt(HWND control, const RECT& rect, SIZE size, bool show) {
  if (!control) return;
  if (IsZero(rect)) {
    ::ShowWindow(control, SW_HIDE);
    return;
  }
  ::SetWindowPos(control, nullptr, rect.left, rect.top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE | (show ? SWP_SHOWWINDOW : 0));
}

void MainWindow::PlaceTitle() {
  HWND window = hwnd_.load();
  HWND title = ::GetDlgItem(window, kIdTitle);
  if (!title) return;
  // The layout's rectangle reaches down to the progress bar; the window is
  // only as tall as its text, so it covers none of the controls below.
  const RECT& rect = look_->title;
  const int width = rect.right - rect.left;
  HDC dc = ::GetDC(title);
  const int text_height = MeasureWrappedTextHeight(dc, GetWindowTextString(title), look_->title_font, width,
                                                   look_->title_centred ? DT_CENTER : DT_LEFT);
  ::ReleaseDC(title, dc);
  const int height = std::min<int>(rect.bottom - rect.top, text_height + Scaled(4, look_->scale));
  PlaceAt(title, rect, SIZE{width, height}, true);
}

void MainWindow::ClipSiblings() {
  HWND window = hwnd_.load();
  for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    const LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
    if (!(style & WS_CLIPSIBLINGS)) ::SetWindowLongPtrW(child, GWL_STYLE, style | WS_CLIPSIBLINGS);
  }
}

void MainWindow::LayoutFirstScreen() {
  PlaceTitle();

  auto place_checkbox = [&](SpriteCheckbox* checkbox, RECT rect) -> RECT {
    if (!checkbox || IsZero(rect)) {
      if (checkbox) ::ShowWindow(checkbox->hwnd(), SW_HIDE);
      return RECT{};
    }
    const int height = checkbox->MeasureHeight(rect);
    rect.bottom = rect.top + height;
    PlaceAt(checkbox->hwnd(), rect, SIZE{rect.right - rect.left, height}, true);
    return rect;
  };
  RECT stat_rect = {};
  if (brand_->LessContrasty()) {
    stat_rect = place_checkbox(stat_checkbox_.get(), look_->stat_checkbox);
    RECT default_rect = look_->default_checkbox;
    if (!IsZero(stat_rect) && !IsZero(default_rect)) {
      const int height = default_rect.bottom - default_rect.top;
      default_rect.top = stat_rect.bottom + Scaled(4, look_->scale);
      default_rect.bottom = default_rect.top + height;
    }
    place_checkbox(default_checkbox_.get(), default_rect);
    place_checkbox(kepin_checkbox_.get(), look_->kepin_checkbox);
  } else {
    place_checkbox(default_checkbox_.get(), look_->default_checkbox);
    place_checkbox(kepin_checkbox_.get(), look_->kepin_checkbox);
    stat_rect = place_checkbox(stat_checkbox_.get(), look_->stat_checkbox);
  }

  // The privacy link goes with the statistics text.
  if (policy_link_ && !IsZero(stat_rect)) {
    if (auto* facetune = dynamic_cast<FacetuneCheckbox*>(stat_checkbox_.get())) {
      facetune->LayoutLinks(policy_link_->hwnd());
    } else {
      const SIZE text = policy_link_->MeasureText();
      const int left = stat_rect.left + stat_checkbox_->frame_size().cx + look_->checkbox_text_gap;
      RECT link = {left, stat_rect.bottom + Scaled(2, look_->scale), left + text.cx,
                   stat_rect.bottom + Scaled(2, look_->scale) + text.cy};
      PlaceAt(policy_link_->hwnd(), link, SIZE{text.cx, text.cy}, true);
    }
    ::ShowWindow(policy_link_->hwnd(), SW_SHOW);
  }

  if (install_button_) PlaceAt(install_button_->hwnd(), look_->install_button, install_button_->GetSize(), true);
  if (close_button_) PlaceAt(close_button_->hwnd(), look_->close_button, close_button_->GetSize(), true);
}

void MainWindow::FixTabOrder() {
  HWND window = hwnd_.load();
  const bool less = brand_->LessContrasty();
  const int order_normal[] = {kIdInstall, kIdLicenceLink, kIdPolicyLink, kIdDefaultCheckbox,
                              kIdKepinCheckbox, kIdStatCheckbox, kIdClose};
  const int order_less[] = {kIdInstall, kIdLicenceLink, kIdPolicyLink, kIdStatCheckbox,
                            kIdKepinCheckbox, kIdDefaultCheckbox, kIdClose};
  const int* order = less ? order_less : order_normal;
  HWND previous = HWND_TOP;
  for (int i = 0; i < 7; ++i) {
    // Every window with the id (the licence line has several pieces).
    for (HWND child = ::GetWindow(window, GW_CHILD); child;) {
      HWND next = ::GetWindow(child, GW_HWNDNEXT);
      if (::GetDlgCtrlID(child) == order[i]) {
        ::SetWindowPos(child, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = child;
      }
      child = next;
    }
  }
}

// --- Install and the progress screen ---------------------------------------

void MainWindow::SetSendStatisticsChoice(std::optional<bool> send) {
  // Without a preset and without a checkbox the choice stays "unknown",
  // which the controller's flag takes as set.
  send_statistics_choice_ = send.value_or(true);
}

void MainWindow::OnInstallClicked() {
  if (install_clicked_.exchange(true)) return;
  if (skip_first_screen_) return;
  if (controller_) controller_->RecordClickTime();
  RaiseButton(L"install");
  const std::optional<bool> make_default_preset = GetMakeDefaultPreset(*params_);
  make_default_choice_ = make_default_preset.has_value()
                             ? *make_default_preset
                             : (default_checkbox_ && default_checkbox_->IsChecked());
  const std::optional<bool> stat_preset = GetSendStatisticsPreset(*params_);
  if (stat_preset.has_value())
    SetSendStatisticsChoice(stat_preset);
  else if (stat_checkbox_)
    SetSendStatisticsChoice(stat_checkbox_->IsChecked());
  else
    SetSendStatisticsChoice(std::nullopt);
  if (controller_)
    controller_->RaiseInstallClicked(default_checkbox_ && default_checkbox_->IsChecked(),
                                     stat_checkbox_ && stat_checkbox_->IsChecked());
  if (LayoutProgressDialog()) ::InvalidateRect(hwnd_.load(), nullptr, FALSE);
}

bool MainWindow::LayoutProgressDialog() {
  HWND window = hwnd_.load();
  if (skip_first_screen_) {
    make_default_choice_ = GetMakeDefaultPreset(*params_).value_or(false);
    SetSendStatisticsChoice(GetSendStatisticsPreset(*params_));
  }
  // 1. The choices.
  pin_assistant_choice_ = kepin_offer_state_ == 0 ? true : (kepin_checkbox_ && kepin_checkbox_->IsChecked());
  if (controller_) {
    controller_->SetMakeDefault(make_default_choice_);
    controller_->SetSendStatistics(send_statistics_choice_);
    controller_->SetPinAssistant(pin_assistant_choice_);
  }
  // 2. Elevation when the distribution asked for it late.
  if (uac_mode_ == 0 && env_.need_elevation && env_.need_elevation()) StartElevatedInstallerOrLog();

  // 3. The progress screen's objects.
  if (shadow_) ::ShowWindow(shadow_, SW_HIDE);
  ::SetFocus(window);
  if (!taskbar_) {
    if (SUCCEEDED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                     reinterpret_cast<void**>(&taskbar_))) &&
        taskbar_) {
      if (FAILED(taskbar_->HrInit())) {
        taskbar_->Release();
        taskbar_ = nullptr;
      } else {
        taskbar_->SetProgressState(window, TBPF_NORMAL);
        taskbar_->SetProgressValue(window, 0, 100);
      }
    }
  }
  const ResourceBitmap& first_slide = look_->first_slide;
  if (skip_first_screen_ && !facetune_) {
    std::vector<HWND> pieces = CreateTextPieceWindows(
        window, look_->late_licence, LicenceLineText(langid_, brand_->LessContrasty(), facetune_),
        look_->small_font, true, kIdLateLicenceText, kIdLateLicenceLink, look_->extra_line_spacing);
    late_licence_shown_ = !pieces.empty();
    if (HWND link = ::GetDlgItem(window, kIdLateLicenceLink)) {
      late_licence_link_ = std::make_unique<LinkControl>(link, RGB(0, 0, 0), 255, look_->small_underlined_font,
                                                         background_);
      if (AccessibleProxy* proxy = AccessibleProxy::For(link)) {
        proxy->SetRole(kAccRoleLink);
        proxy->SetName(RemoveParentheses(LoadUiString(
            brand_->LessContrasty() ? kStringLicenceLineLessContrasty : kStringLicenceLine, langid_)));
      }
    }
  }
  if (HWND bar = ::GetDlgItem(window, kIdProgress)) {
    progress_bar_ = std::make_unique<CustomProgressBar>(bar);
    progress_bar_->SetImages(look_->progress_fill, look_->progress_track, first_slide);
    const RECT& r = look_->progress_bar;
    PlaceAt(bar, r, SIZE{r.right - r.left, r.bottom - r.top}, false);
  }
  if (HWND text = ::GetDlgItem(window, kIdProgressText)) {
    const RECT& r = look_->progress_text;
    PlaceAt(text, r, SIZE{r.right - r.left, r.bottom - r.top}, true);
  }
  if (facetune_ && minimize_button_) {
    ::ShowWindow(minimize_button_->hwnd(), SW_SHOW);
  }
  {
    std::vector<ResourceBitmap> initial;
    if (skip_first_screen_) initial.push_back(background_);
    initial.push_back(first_slide);
    slides_ = CreateSlideShow(*brand_, SIZE{look_->width, look_->height}, look_->slide_brush, std::move(initial),
                              kSlidePeriodMs, look_->scale);
  }

  // 4. An error that came while the first screen showed.
  if (int32_t pending = pending_error_code_.load()) {
    OnShowError(pending);
    return false;
  }

  // 5. Switch screens.
  std::vector<int> first_screen = {kIdInstall,         kIdClose,        kIdTitle,        kIdLicenceLink, kIdDefaultCheckbox,
                                   kIdStatCheckbox,    kIdKepinCheckbox, kIdPolicyLink,  kIdLicenceText};
  if (facetune_) first_screen.erase(std::remove(first_screen.begin(), first_screen.end(), kIdClose), first_screen.end());
  if (skip_first_screen_)
    first_screen.erase(std::remove(first_screen.begin(), first_screen.end(), kIdTitle), first_screen.end());
  for (int id : first_screen) DestroyControls(id);
  install_button_.reset();
  licence_link_.reset();
  policy_link_.reset();
  default_checkbox_.reset();
  stat_checkbox_.reset();
  kepin_checkbox_.reset();
  if (!facetune_) close_button_.reset();

  if (facetune_) {
    if (minimize_button_) PlaceAt(minimize_button_->hwnd(), look_->minimize_button, minimize_button_->GetSize(), true);
    if (skip_first_screen_) {
      SetControlText(window, kIdTitle, kStringSkippedTitle, langid_);
      PlaceTitle();
      if (close_button_) PlaceAt(close_button_->hwnd(), look_->close_button, close_button_->GetSize(), true);
    }
  }
  header_text_pending_ = skip_first_screen_ && ::GetDlgItem(window, kIdTitle) != nullptr;
  if (close_button_) close_button_->set_background(first_slide);
  if (minimize_button_) minimize_button_->set_background(first_slide);
  if (IsCancelAllowedParam(*params_) && cancel_button_) {
    cancel_button_->set_background(first_slide);
    const SIZE size = cancel_button_->GetSize();
    RECT place = look_->close_button;
    if (facetune_) {
      // The close button stays: the cancel button goes right of the bar.
      const RECT& bar = look_->progress_bar;
      const int left = bar.right + Scaled(8, look_->scale);
      const int top = (bar.top + bar.bottom) / 2 - size.cy / 2;
      place = RECT{left, top, left + size.cx, top + size.cy};
    }
    if (!IsZero(place)) PlaceAt(cancel_button_->hwnd(), place, size, true);
  } else {
    DestroyControls(kIdCancel);
    cancel_button_.reset();
  }
  if (progress_bar_) {
    progress_bar_->SetRange(0, 100);
    progress_bar_->SetPos(0);
    ::ShowWindow(progress_bar_->hwnd(), SW_SHOW);
  }
  if (HWND text = ::GetDlgItem(window, kIdProgressText)) ::SetWindowTextW(text, ProgressTextFor(0).c_str());
  header_logo_ = look_->logo_light;
  ::SetTimer(window, kSlideTimerId, kSlideTimerMs, nullptr);
  if (progress_bar_) ::SetFocus(progress_bar_->hwnd());
  // Active before the go-ahead: the controller's first report may come at once.
  progress_screen_active_ = true;
  progress_.Activate();
  if (controller_) controller_->AllowInstall();
  OnProgressScreenShown();
  return true;
}

void MainWindow::DestroyControls(int id) {
  HWND window = hwnd_.load();
  for (HWND child = ::GetWindow(window, GW_CHILD); child;) {
    HWND next = ::GetWindow(child, GW_HWNDNEXT);
    if (::GetDlgCtrlID(child) == id) ::DestroyWindow(child);
    child = next;
  }
}

std::wstring MainWindow::ProgressTextFor(int percent) const { return ProgressText(percent, nullptr); }

void MainWindow::OnProgress(int percent) {
  if (!progress_screen_active_ || !progress_.Accept(percent)) return;
  HWND window = hwnd_.load();
  if (progress_bar_) progress_bar_->SetPos(percent);
  if (HWND text = ::GetDlgItem(window, kIdProgressText)) {
    ::SetWindowTextW(text, ProgressTextFor(percent).c_str());
    ::InvalidateRect(text, nullptr, FALSE);
  }
  if (taskbar_) taskbar_->SetProgressValue(window, static_cast<ULONGLONG>(percent), 100);
}

void MainWindow::OnInstallProgress(int stage) {
  const int percent = InstallStagePercent(stage);
  LOG(INFO) << "--> Installer > MainWindow::OnInstallProgress: " << percent;
  if (percent != 0) SetProgress(percent);
}

void MainWindow::OnImportProgress(int percent) {
  LOG(INFO) << "--> Installer > MainWindow::OnImportProgress: " << percent;
  SetProgress(ImportPercent(percent));
}

void MainWindow::HideWindows() {
  if (HWND window = hwnd_.load()) ::ShowWindow(window, SW_HIDE);
  if (shadow_) ::ShowWindow(shadow_, SW_HIDE);
}

void MainWindow::OnCloseWindow() {
  HideWindows();
  LOG(INFO) << "--> Installer > MainWindow::OnCloseWindow";
  if (controller_ && !controller_->Stop())
    PLOG(ERROR, ::GetLastError()) << "--> Installer > MainWindow::OnCloseWindow: WaitForInstallAsync timeout";
  if (dialogs_) dialogs_->EndResume(1);
  EndWith(1);
  ::KillTimer(hwnd_.load(), kSlideTimerId);
}

void MainWindow::OnShowError(int32_t kind) {
  if (ended_) return;
  HideWindows();
  if (dialogs_) dialogs_->RunError(hwnd_.load(), kind);
  EndWith(1);
}

void MainWindow::OnNotice(NoticeKind kind) {
  HideWindows();
  if (dialogs_) dialogs_->RunNotice(hwnd_.load(), kind);
  EndWith(1);
}

LRESULT MainWindow::OnCorporateBrowserExists() {
  int code = dialogs_ ? dialogs_->RunNotice(hwnd_.load(), NoticeKind::kCorporateBrowserExists) : kDialogCloseButton;
  return (code == kDialogSecondButton || code == kDialogCloseButton) ? 0 : 1;
}

void MainWindow::OnMoveWindow() {
  HWND window = hwnd_.load();
  if (!shadow_ || !window) return;
  RECT rect;
  ::GetWindowRect(window, &rect);
  const int margin = Scaled(look_->shadow_margin, look_->scale);
  ::SetWindowPos(shadow_, window, rect.left - margin, rect.top - margin, rect.right - rect.left + 2 * margin,
                 rect.bottom - rect.top + 2 * margin, SWP_NOACTIVATE);
}

void MainWindow::EndWith(int code) {
  if (ended_) return;
  ended_ = true;
  if (shadow_) ::ShowWindow(shadow_, SW_HIDE);
  ::EndDialog(hwnd_.load(), code);
}

void MainWindow::StartElevatedInstallerOrLog() {
  if (!controller_ || !controller_->StartElevatedInstaller()) LOG(INFO) << "Declined running the installer as admin";
}

void MainWindow::RaiseButton(const wchar_t* value) {
  if (controller_) controller_->RaiseWindowEvent("clicked_button", value);
}

void MainWindow::OpenUrl(const std::wstring& url) {
  if (env_.open_url) env_.open_url(url);
  if (controller_) controller_->RaiseWindowEvent("clicked_link", url);
}

// --- Commands ------------------------------------------------------------------

bool MainWindow::ConfirmStop() {
  // The resume question: its second button, Escape and its close mean stop.
  const int answer = dialogs_ ? dialogs_->RunResume(hwnd_.load()) : kDialogCloseButton;
  if (answer != kDialogSecondButton && answer != kDialogCloseButton) return false;
  if (controller_) controller_->CountCancel();
  return true;
}

void MainWindow::OnCommand(int id, int code) {
  HWND window = hwnd_.load();
  switch (id) {
    case kIdInstall:
      OnInstallClicked();
      break;
    case kIdEscape:
      RaiseButton(L"cancel");
      break;
    case kIdClose:
      if (progress_screen_active_ && facetune_) {
        if (!ConfirmStop()) return;
        RaiseButton(L"cancel");
      } else {
        RaiseButton(L"close");
      }
      if (shadow_) ::ShowWindow(shadow_, SW_HIDE);
      EndWith(kIdClose);
      break;
    case kIdCancel:
      if (ConfirmStop()) EndWith(kIdCancel);
      break;
    case kIdMinimize:
      if (shadow_) ::ShowWindow(shadow_, SW_HIDE);
      ::ShowWindow(window, SW_MINIMIZE);
      RaiseButton(L"minimize");
      break;
    case kIdDefaultCheckbox:
    case kIdStatCheckbox:
    case kIdKepinCheckbox: {
      if (code != BN_CLICKED) break;
      SpriteCheckbox* checkbox = id == kIdDefaultCheckbox ? default_checkbox_.get()
                                 : id == kIdStatCheckbox  ? stat_checkbox_.get()
                                                          : kepin_checkbox_.get();
      if (checkbox) checkbox->Toggle();
      if (controller_)
        controller_->RaiseWindowEvent("chosen_checkbox", id == kIdDefaultCheckbox ? L"default"
                                                         : id == kIdStatCheckbox  ? L"sendstat"
                                                                                  : L"kepin_trial");
      break;
    }
    case kIdPolicyLink:
      OpenUrl(base::Utf8ToWide(brand_->conf_policy_url + "?lang=" + brand_->interface_language));
      break;
    case kIdLicenceLink:
    case kIdLateLicenceLink:
      OpenUrl(BuildLicenseLinkUrl(*brand_));
      break;
    default:
      break;
  }
}

// --- Painting ------------------------------------------------------------------

SpriteButton* MainWindow::ButtonFor(HWND control) const {
  for (SpriteButton* button : {install_button_.get(), close_button_.get(), minimize_button_.get(), cancel_button_.get()})
    if (button && button->hwnd() == control) return button;
  return nullptr;
}

SpriteCheckbox* MainWindow::CheckboxFor(HWND control) const {
  for (SpriteCheckbox* checkbox : {default_checkbox_.get(), stat_checkbox_.get(), kepin_checkbox_.get()})
    if (checkbox && checkbox->hwnd() == control) return checkbox;
  return nullptr;
}

LinkControl* MainWindow::LinkFor(HWND control) const {
  for (LinkControl* link : {policy_link_.get(), licence_link_.get(), late_licence_link_.get()})
    if (link && link->hwnd() == control) return link;
  return nullptr;
}

LRESULT MainWindow::OnNotify(const NMHDR& header) {
  const auto& draw = reinterpret_cast<const NMCUSTOMDRAW&>(header);
  if (SpriteButton* button = ButtonFor(header.hwndFrom)) return button->Paint(draw);
  if (SpriteCheckbox* checkbox = CheckboxFor(header.hwndFrom)) return checkbox->PaintCustomDraw(draw);
  return CDRF_DODEFAULT;
}

void MainWindow::OnDrawItem(const DRAWITEMSTRUCT& draw) {
  HDC dc = draw.hDC;
  const int id = static_cast<int>(draw.CtlID);
  const std::wstring text = GetWindowTextString(draw.hwndItem);
  switch (id) {
    case kIdTitle:
      DrawBackgroundUnder(dc, background_, draw.hwndItem, draw.rcItem);
      DrawTextWithOpacity(dc, draw.rcItem, text, look_->title_font, look_->title_colour.colour, 255,
                          DT_WORDBREAK | DT_NOPREFIX | (look_->title_centred ? DT_CENTER : DT_LEFT));
      break;
    case kIdLicenceText:
      DrawBackgroundUnder(dc, background_, draw.hwndItem, draw.rcItem);
      DrawTextWithOpacity(dc, draw.rcItem, text, look_->body_font, look_->licence_colour.colour,
                          look_->licence_colour.opacity, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
      break;
    case kIdProgressText:
      DrawBackgroundUnder(dc, look_->first_slide, draw.hwndItem, draw.rcItem);
      DrawTextWithOpacity(dc, draw.rcItem, text, look_->body_font, look_->progress_text_colour.colour,
                          look_->progress_text_colour.opacity, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
      break;
    case kIdLateLicenceText:
      DrawBackgroundUnder(dc, background_, draw.hwndItem, draw.rcItem);
      DrawTextWithOpacity(dc, draw.rcItem, text, look_->small_font, look_->text_colour, 255,
                          DT_WORDBREAK | DT_NOPREFIX);
      break;
    case kIdDefaultCheckbox:
    case kIdStatCheckbox:
    case kIdKepinCheckbox:
      if (SpriteCheckbox* checkbox = CheckboxFor(draw.hwndItem)) checkbox->PaintOwnerDraw(draw);
      break;
    case kIdPolicyLink:
    case kIdLicenceLink:
    case kIdLateLicenceLink:
      if (LinkControl* link = LinkFor(draw.hwndItem)) link->Paint(draw);
      break;
    default:
      break;
  }
}

// Test builds: the first-paint benchmark waits for this event.
static void SignalFirstPaintForTests() {
#if KELMOR_TEST_BUILD
  static bool signalled = false;
  if (signalled) return;
  signalled = true;
  // The benchmark's start-up breakdown ends here.
  LOG(INFO) << "First paint";
  const std::optional<std::string> name = base::GetTestHook("FIRST_PAINT_EVENT");
  if (!name) return;
  if (HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, base::Utf8ToWide(*name).c_str())) {
    ::SetEvent(event);
    ::CloseHandle(event);
  }
#endif
}

void MainWindow::OnPaint() {
  HWND window = hwnd_.load();
  PAINTSTRUCT paint = {};
  HDC dc = ::BeginPaint(window, &paint);
  if (!::IsIconic(window)) {
    RECT client;
    ::GetClientRect(window, &client);
    if (progress_screen_active_) {
      PaintProgressScreen(dc, client);
    } else {
      PaintFirstScreen(dc, client);
    }
  }
  ::EndPaint(window, &paint);
  SignalFirstPaintForTests();
  if (facetune_ && shadow_ && !::IsWindowVisible(shadow_) && !::IsIconic(window) && ::IsWindowVisible(window) &&
      !ended_) {
    OnMoveWindow();
    ::ShowWindow(shadow_, SW_SHOWNOACTIVATE);
  }
}

void MainWindow::PaintProgressScreen(HDC dc, const RECT& client) {
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  HDC memory = ::CreateCompatibleDC(dc);
  HBITMAP bitmap = ::CreateCompatibleBitmap(dc, width, height);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  if (slides_) slides_->Paint(memory, client);
  if (slides_) {
    ResourceBitmap current = slides_->CurrentPicture();
    // The buttons blend with the slide on show (it is bottom-aligned).
    if (close_button_) close_button_->set_background(current);
    if (minimize_button_) minimize_button_->set_background(current);
  }
  if (!facetune_) {
    const RECT& logo = look_->logo;
    header_logo_.Draw(memory, logo.left, logo.top, header_logo_.Width(), header_logo_.Height(), 0, 0,
                      header_logo_.Width(), header_logo_.Height());
  }
  ::BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
}

void MainWindow::PaintFirstScreen(HDC dc, const RECT& client) {
  background_.Draw(dc, 0, 0, client.right - client.left, client.bottom - client.top, 0, 0, background_.Width(),
                   background_.Height());
  if (!facetune_) {
    const RECT& logo = look_->logo;
    header_logo_.Draw(dc, logo.left, logo.top, header_logo_.Width(), header_logo_.Height(), 0, 0,
                      header_logo_.Width(), header_logo_.Height());
  } else if (!look_->minimize_glyph.empty()) {
    const RECT& place = look_->minimize_button;
    look_->minimize_glyph.Draw(dc, place.left, place.top);
  }
}

void MainWindow::OnTimer() {
  HWND window = hwnd_.load();
  if (!slides_) return;
  if (slides_->HasAdvanced()) {
    if (late_licence_shown_) {
      late_licence_link_.reset();
      DestroyControls(kIdLateLicenceText);
      DestroyControls(kIdLateLicenceLink);
      late_licence_shown_ = false;
    }
    if (header_text_pending_) {
      DestroyControls(kIdTitle);
      header_text_pending_ = false;
    }
  }
  if (slides_->Tick()) ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

}  // namespace lite_installer
