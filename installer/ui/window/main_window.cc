#include "installer/ui/window/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include "base/logging.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "base/test_hooks.h"
#include "installer/config/brand_info.h"
#include "installer/config/distrib_info_params.h"
#include "installer/config/installer_options.h"
#include "installer/ui/controls/initial_checkbox_states.h"
#include "installer/ui/ui_strings.h"

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

// Test builds: the first-paint benchmark waits for this event.
void SignalFirstPaintForTests() {
#if KELMOR_TEST_BUILD
  static bool signalled = false;
  if (signalled) return;
  signalled = true;
  // The benchmark's start-up breakdown ends here.
  LOG(INFO) << "First paint";
  const std::optional<std::string> name = base::GetTestHook("FIRST_PAINT_EVENT");
  if (!name) return;
  if (base::ScopedHandle event{::OpenEventW(EVENT_MODIFY_STATE, FALSE, base::Utf8ToWide(*name).c_str())})
    ::SetEvent(event.get());
#endif
}

}  // namespace

MainWindow::MainWindow(std::shared_ptr<const BrandInfo> brand, std::shared_ptr<const DistribInfoParams> params,
                       bool open_mode, MainWindowEnvironment environment)
    : brand_(std::move(brand)), params_(std::move(params)), env_(std::move(environment)), open_mode_(open_mode) {
  msg_import_progress_ = ::RegisterWindowMessageW(L"kelmor.lite.set_import_progress");
  msg_close_window_ = ::RegisterWindowMessageW(L"kelmor.lite.close_window");
  msg_install_progress_ = ::RegisterWindowMessageW(L"kelmor.lite.set_install_progress");
  msg_higher_version_ = ::RegisterWindowMessageW(L"kelmor.higher_version_exist");
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

  frame_.brand = brand_.get();
  frame_.look = look_.get();
  frame_.langid = langid_;
  frame_.facetune = facetune_;
  first_screen_ = std::make_unique<FirstScreen>(
      frame_, FirstScreenOptions{kind_, open_mode_, can_make_default_, kepin_offer_state_});
  progress_screen_ =
      std::make_unique<ProgressScreen>(frame_, [this](int percent) { return ProgressTextFor(percent); });

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
  // Then the slide show, then the rest of the progress screen.
  progress_screen_.reset();
}

INT_PTR MainWindow::RunModal() { return RunDialog(kMainWindowDialogId, nullptr); }

int32_t MainWindow::ControllerResult() const { return controller_ ? controller_->ResultCode() : 400; }

// --- Receiver (install thread) -------------------------------------------

void MainWindow::OnDownloadProgress(float fraction) { SetProgress(DownloadPercent(fraction)); }

void MainWindow::SetProgress(int32_t percent) {
  if (HWND window = hwnd()) ::PostMessageW(window, kMsgSetProgress, static_cast<WPARAM>(percent), 0);
}

void MainWindow::CloseWindow() {
  if (HWND window = hwnd()) ::PostMessageW(window, kMsgCloseWindow, 0, 0);
}

void MainWindow::ShowError(int32_t kind) {
  pending_error_code_ = kind;
  if (HWND window = hwnd()) ::PostMessageW(window, kMsgShowError, static_cast<WPARAM>(kind), 0);
}

HWND MainWindow::GetWindowHandle() { return hwnd(); }

void MainWindow::RemoveCancelButton() {
  if (HWND window = hwnd()) ::PostMessageW(window, kMsgRemoveCancel, 0, 0);
}

// --- Dialog procedure ------------------------------------------------------

bool MainWindow::OnSetupMessage(UINT message, WPARAM wparam, INT_PTR* result) {
  if (!message) return false;
  *result = TRUE;
  if (message == msg_install_progress_) {
    OnInstallProgress(static_cast<int>(wparam));
  } else if (message == msg_import_progress_) {
    OnImportProgress(static_cast<int>(wparam));
  } else if (message == msg_close_window_) {
    OnCloseWindow();
  } else if (message == msg_higher_version_) {
    OnNotice(NoticeKind::kNewerVersionInstalled);
  } else if (message == msg_corp_higher_version_) {
    OnNotice(NoticeKind::kCorporateNewerVersion);
  } else if (message == msg_corp_browser_exists_) {
    *result = SetMessageResult(OnCorporateBrowserExists());
  } else {
    return false;
  }
  return true;
}

INT_PTR MainWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  HWND window = hwnd();
  INT_PTR setup_result = FALSE;
  if (OnSetupMessage(message, wparam, &setup_result)) return setup_result;
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
      frame_.DestroyControls(kIdCancel);
      frame_.cancel_button.reset();
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    case WM_SYSCOMMAND:
      return OnSysCommand(wparam);
    case WM_NCACTIVATE:
      if (SpriteButton* install = first_screen_->install_button(); wparam && install)
        install->set_keyboard_focus_visible(false);
      return FALSE;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_NOTIFY: {
      const NMHDR& header = *reinterpret_cast<const NMHDR*>(lparam);
      if (header.code != NM_CUSTOMDRAW) return FALSE;
      return SetMessageResult(OnNotify(header));
    }
    case WM_TIMER:
      if (wparam == kSlideTimerId) progress_screen_->OnTimer();
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

INT_PTR MainWindow::OnSysCommand(WPARAM command) {
  switch (command & 0xFFF0) {
    case SC_RESTORE:
      RaiseButton(L"restore");
      ::ShowWindow(hwnd(), SW_SHOWNORMAL);
      return TRUE;
    case SC_CLOSE:
      // Alt+F4 and the system menu's Close: during the installation
      // they ask the same resume question as the window's own buttons.
      if (progress_screen_->active()) {
        if (!ConfirmStop()) return TRUE;
        RaiseButton(L"cancel");
        if (shadow_) ::ShowWindow(shadow_, SW_HIDE);
      }
      EndWith(2);
      return TRUE;
    default:
      return FALSE;
  }
}

// --- Initialisation ----------------------------------------------------------

bool MainWindow::OnInitDialog() {
  HWND window = hwnd();
  frame_.window = window;
  // 1. Setup's messages may come from another integrity level.
  for (UINT id : {msg_import_progress_, msg_close_window_, msg_install_progress_, msg_higher_version_,
                  move_message(), msg_corp_higher_version_, msg_corp_browser_exists_})
    AllowMessage(window, id, env_.windows_major, env_.windows_minor);

  // 2. An elevation prompt now, while the user looks at the window.
  if (uac_mode_ == 1 && env_.need_elevation && env_.need_elevation()) StartElevatedInstallerOrLog();

  // 3. Texts, pictures, icon, size, shape, place.
  ::SetWindowTextW(window, LoadUiString(kStringWindowTitle, langid_).c_str());
  first_screen_->SetTexts();
  frame_.background = look_->background;
  SetWindowIcons();
  CentreOnWorkArea();
  look_->ApplyRegion(window);

  // 4. The licence line under the Install button.
  first_screen_->CreateLicenceLine();
  // 5. The control objects.
  first_screen_->CreateControls();

  // 6. The first screen, or straight on to the progress screen.
  if (skip_first_screen_) {
    // Nobody presses Install: the installation counts as accepted now.
    install_clicked_ = true;
    if (!LayoutProgressDialog()) return false;
  } else {
    first_screen_->Layout();
  }

  // 7. Shadow, tab order, keyboard.
  ClipSiblings();
  shadow_ = look_->CreateShadow(window, !facetune_);
  OnMoveWindow();
  first_screen_->FixTabOrder();
  OnFirstScreenCreated();
  if (!skip_first_screen_) {
    if (HWND install = ::GetDlgItem(window, kIdInstall)) ::SetFocus(install);
  }
  return true;
}

void MainWindow::SetWindowIcons() {
  HWND window = hwnd();
  HMODULE module = ::GetModuleHandleW(nullptr);
  icon_big_.reset(static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(kIconGroup), IMAGE_ICON,
                                                  ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0)));
  icon_small_.reset(static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(kIconGroup), IMAGE_ICON,
                                                    ::GetSystemMetrics(SM_CXSMICON),
                                                    ::GetSystemMetrics(SM_CYSMICON), 0)));
  if (icon_big_) ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_big_.get()));
  if (icon_small_) ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_small_.get()));
}

void MainWindow::CentreOnWorkArea() {
  const ResourceBitmap& background = frame_.background;
  const int width = background.empty() ? look_->width : background.Width();
  const int height = background.empty() ? look_->height : background.Height();
  RECT work = {};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + ((work.right - work.left) - width) / 2;
  const int y = work.top + ((work.bottom - work.top) - height) / 2;
  ::SetWindowPos(hwnd(), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::ClipSiblings() {
  for (HWND child = ::GetWindow(hwnd(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    const LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
    if (!(style & WS_CLIPSIBLINGS)) ::SetWindowLongPtrW(child, GWL_STYLE, style | WS_CLIPSIBLINGS);
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
  make_default_choice_ = make_default_preset.has_value() ? *make_default_preset : first_screen_->DefaultChecked();
  const std::optional<bool> stat_preset = GetSendStatisticsPreset(*params_);
  if (stat_preset.has_value())
    SetSendStatisticsChoice(stat_preset);
  else if (first_screen_->has_stat_checkbox())
    SetSendStatisticsChoice(first_screen_->StatChecked());
  else
    SetSendStatisticsChoice(std::nullopt);
  if (controller_) controller_->RaiseInstallClicked(first_screen_->DefaultChecked(), first_screen_->StatChecked());
  if (LayoutProgressDialog()) ::InvalidateRect(hwnd(), nullptr, FALSE);
}

bool MainWindow::LayoutProgressDialog() {
  if (skip_first_screen_) {
    make_default_choice_ = GetMakeDefaultPreset(*params_).value_or(false);
    SetSendStatisticsChoice(GetSendStatisticsPreset(*params_));
  }
  // 1. The choices.
  pin_assistant_choice_ = kepin_offer_state_ == 0 ? true : first_screen_->KepinChecked();
  if (controller_) {
    controller_->SetMakeDefault(make_default_choice_);
    controller_->SetSendStatistics(send_statistics_choice_);
    controller_->SetPinAssistant(pin_assistant_choice_);
  }
  // 2. Elevation when the distribution asked for it late.
  if (uac_mode_ == 0 && env_.need_elevation && env_.need_elevation()) StartElevatedInstallerOrLog();

  // 3. The progress screen's objects.
  if (shadow_) ::ShowWindow(shadow_, SW_HIDE);
  ::SetFocus(hwnd());
  progress_screen_->Create(skip_first_screen_);

  // 4. An error that came while the first screen showed.
  if (int32_t pending = pending_error_code_.load()) {
    OnShowError(pending);
    return false;
  }

  // 5. Switch screens. Active before the go-ahead: the controller's first
  // report may come at once.
  first_screen_->Destroy(skip_first_screen_);
  progress_screen_->Show(skip_first_screen_, IsCancelAllowedParam(*params_));
  if (controller_) controller_->AllowInstall();
  OnProgressScreenShown();
  return true;
}

std::wstring MainWindow::ProgressTextFor(int percent) const { return ProgressText(percent, nullptr); }

void MainWindow::OnProgress(int percent) { progress_screen_->SetProgress(percent); }

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
  if (HWND window = hwnd()) ::ShowWindow(window, SW_HIDE);
  if (shadow_) ::ShowWindow(shadow_, SW_HIDE);
}

void MainWindow::OnCloseWindow() {
  HideWindows();
  LOG(INFO) << "--> Installer > MainWindow::OnCloseWindow";
  if (controller_ && !controller_->Stop())
    PLOG(ERROR, ::GetLastError()) << "--> Installer > MainWindow::OnCloseWindow: WaitForInstallAsync timeout";
  if (dialogs_) dialogs_->EndResume(1);
  EndWith(1);
  ::KillTimer(hwnd(), kSlideTimerId);
}

void MainWindow::OnShowError(int32_t kind) {
  if (ended_) return;
  HideWindows();
  if (dialogs_) dialogs_->RunError(hwnd(), kind);
  EndWith(1);
}

void MainWindow::OnNotice(NoticeKind kind) {
  HideWindows();
  if (dialogs_) dialogs_->RunNotice(hwnd(), kind);
  EndWith(1);
}

LRESULT MainWindow::OnCorporateBrowserExists() {
  int code = dialogs_ ? dialogs_->RunNotice(hwnd(), NoticeKind::kCorporateBrowserExists) : kDialogCloseButton;
  return (code == kDialogSecondButton || code == kDialogCloseButton) ? 0 : 1;
}

void MainWindow::OnMoveWindow() {
  HWND window = hwnd();
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
  ::EndDialog(hwnd(), code);
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
  const int answer = dialogs_ ? dialogs_->RunResume(hwnd()) : kDialogCloseButton;
  if (answer != kDialogSecondButton && answer != kDialogCloseButton) return false;
  if (controller_) controller_->CountCancel();
  return true;
}

void MainWindow::OnCommand(int id, int code) {
  switch (id) {
    case kIdInstall:
      OnInstallClicked();
      break;
    case kIdEscape:
      RaiseButton(L"cancel");
      break;
    case kIdClose:
      if (progress_screen_->active() && facetune_) {
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
      ::ShowWindow(hwnd(), SW_MINIMIZE);
      RaiseButton(L"minimize");
      break;
    case kIdDefaultCheckbox:
    case kIdStatCheckbox:
    case kIdKepinCheckbox:
      // An owner-drawn button reports the second click of a quick pair as a
      // double click, and takes no press from it: it still toggles the box.
      if (code == BN_CLICKED || code == BN_DOUBLECLICKED) OnCheckboxClicked(id);
      break;
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

void MainWindow::OnCheckboxClicked(int id) {
  first_screen_->Toggle(id);
  if (controller_)
    controller_->RaiseWindowEvent("chosen_checkbox", id == kIdDefaultCheckbox ? L"default"
                                                     : id == kIdStatCheckbox  ? L"sendstat"
                                                                              : L"kepin_trial");
}

// --- Painting ------------------------------------------------------------------

SpriteButton* MainWindow::ButtonFor(HWND control) const {
  SpriteButton* install = first_screen_->install_button();
  if (install && install->hwnd() == control) return install;
  return frame_.ButtonFor(control);
}

LRESULT MainWindow::OnNotify(const NMHDR& header) {
  const auto& draw = reinterpret_cast<const NMCUSTOMDRAW&>(header);
  if (SpriteButton* button = ButtonFor(header.hwndFrom)) return button->Paint(draw);
  if (SpriteCheckbox* checkbox = first_screen_->CheckboxFor(header.hwndFrom)) return checkbox->PaintCustomDraw(draw);
  return CDRF_DODEFAULT;
}

void MainWindow::OnDrawItem(const DRAWITEMSTRUCT& draw) {
  if (static_cast<int>(draw.CtlID) == kIdTitle) {
    frame_.DrawTitle(draw);
    return;
  }
  if (!first_screen_->DrawItem(draw)) progress_screen_->DrawItem(draw);
}

void MainWindow::OnPaint(HDC dc) {
  HWND window = hwnd();
  if (::IsIconic(window)) return;
  RECT client;
  ::GetClientRect(window, &client);
  if (progress_screen_->active()) {
    progress_screen_->Paint(dc, client);
  } else {
    first_screen_->Paint(dc, client);
  }
}

void MainWindow::OnPainted() {
  HWND window = hwnd();
  SignalFirstPaintForTests();
  if (facetune_ && shadow_ && !::IsWindowVisible(shadow_) && !::IsIconic(window) && ::IsWindowVisible(window) &&
      !ended_) {
    OnMoveWindow();
    ::ShowWindow(shadow_, SW_SHOWNOACTIVATE);
  }
}

}  // namespace lite_installer
