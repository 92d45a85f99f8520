// The installer window: one modal, borderless, owner-drawn dialog (template
// 901) with a first screen (title, Install, option checkboxes, licence
// line) and a progress screen (slides, progress bar and its text, cancel).
// It owns the installer controller, receives its progress through
// InstallProgressReceiver and setup's progress through registered window
// messages.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "installer/config/installer_options.h"
#include "installer/ui/install_progress_receiver.h"
#include "installer/ui/controls/custom_progress_bar.h"
#include "installer/ui/controls/link_control.h"
#include "installer/ui/resource_bitmap.h"
#include "installer/ui/controls/sprite_button.h"
#include "installer/ui/controls/sprite_checkbox.h"
#include "installer/ui/window/progress_model.h"
#include "installer/ui/window/window_controller.h"
#include "installer/ui/window/window_dialogs.h"
#include "installer/ui/window/window_look.h"
#include "installer/ui/window_drag.h"
#include "resource_ids.h"

namespace lite_installer {

class BrandInfo;
class DistribInfoParams;
class SlideShowPainter;

// Control ids of dialog template 901.
enum MainWindowControl : int {
  kIdInstall = IDC_MAIN_INSTALL,
  kIdEscape = 2,
  kIdTitle = IDC_MAIN_TITLE,
  kIdDefaultCheckbox = IDC_MAIN_DEFAULT_CHECKBOX,
  kIdStatCheckbox = IDC_MAIN_STAT_CHECKBOX,
  kIdKepinCheckbox = IDC_MAIN_KEPIN_CHECKBOX,
  kIdCancel = IDC_MAIN_CANCEL,
  kIdClose = IDC_MAIN_CLOSE,
  kIdMinimize = IDC_MAIN_MINIMIZE,
  kIdProgress = IDC_MAIN_PROGRESS,
  kIdPolicyLink = IDC_MAIN_POLICY_LINK,
  kIdLicenceText = 222,
  kIdLicenceLink = 223,
  kIdProgressText = IDC_MAIN_PROGRESS_TEXT,
  kIdLateLicenceText = 913,
  kIdLateLicenceLink = 914,
};

constexpr int kMainWindowDialogId = IDD_MAIN_WINDOW;
constexpr UINT kMsgSetProgress = WM_APP + 100;  // wParam = percent
constexpr UINT_PTR kSlideTimerId = 100;
constexpr UINT kSlideTimerMs = 20;

// What the window reads from the system and the distribution; tests give
// their own.
struct MainWindowEnvironment {
  uint32_t windows_major = 10;
  uint32_t windows_minor = 0;
  bool existing_browser_found = false;
  bool corporate_edition = false;
  // NeedStartThisProcessAsAdmin.
  std::function<bool()> need_elevation;
  // The default-browser interface check: result and status number.
  std::function<bool(uint32_t* status)> interface_check;
  // Creates the controller for the window (the window is its receiver).
  std::function<std::unique_ptr<WindowController>(InstallProgressReceiver*)> create_controller;
  std::function<std::unique_ptr<WindowDialogs>()> create_dialogs;
  // ShellExecute "open".
  std::function<void(const std::wstring& url)> open_url;
  double scale = 1.0;
  // The run's command line (the Kepin offer and UAC mode depend on it).
  InstallerOptions options;
};

class MainWindow : public InstallProgressReceiver {
 public:
  MainWindow(std::shared_ptr<const BrandInfo> brand, std::shared_ptr<const DistribInfoParams> params,
             bool open_mode, MainWindowEnvironment environment);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Runs the window as a modal dialog from template 901; its end code.
  INT_PTR RunModal();
  // The controller's result code (400 when there is none).
  int32_t ControllerResult() const;
  WindowController* controller() const { return controller_.get(); }

  // InstallProgressReceiver (called from the install thread: every
  // operation that touches windows is posted to the UI thread).
  void OnDownloadProgress(float fraction) override;
  void OnSlowDownload() override {}
  void OnDownloadTimeEstimate(int32_t, int32_t) override {}
  void CloseWindow() override;
  void ShowError(int32_t kind) override;
  HWND GetWindowHandle() override;
  void SetProgress(int32_t percent) override;
  void RemoveCancelButton() override;

 protected:
  // The progress line for `percent`.
  virtual std::wstring ProgressTextFor(int percent) const;
  // Hooks of the concrete window.
  virtual void OnFirstScreenCreated() {}
  virtual void OnProgressScreenShown() {}
  virtual void OnTimerTick() {}
  virtual void OnWindowDestroyed() {}

  INT_PTR DialogProc(UINT message, WPARAM wparam, LPARAM lparam);

  bool OnInitDialog();
  void SetTexts();
  void CreateLicenceLine();
  void CreateFirstScreenControls();
  void LayoutFirstScreen();
  void PlaceTitle();
  void ClipSiblings();
  void FixTabOrder();
  bool LayoutProgressDialog();
  void OnInstallClicked();
  // Asks the resume question; true (and the cancel counted) when the user stops.
  bool ConfirmStop();
  void OnCommand(int id, int code);
  void OnProgress(int percent);
  void OnInstallProgress(int stage);
  void OnImportProgress(int percent);
  void OnCloseWindow();
  void OnShowError(int32_t kind);
  void OnNotice(NoticeKind kind);
  LRESULT OnCorporateBrowserExists();
  void OnMoveWindow();
  void OnPaint();
  void PaintProgressScreen(HDC dc, const RECT& client);
  void PaintFirstScreen(HDC dc, const RECT& client);
  void OnDrawItem(const DRAWITEMSTRUCT& draw);
  LRESULT OnNotify(const NMHDR& header);
  void OnTimer();
  void EndWith(int code);
  void HideWindows();
  void RaiseButton(const wchar_t* value);
  void StartElevatedInstallerOrLog();
  void OpenUrl(const std::wstring& url);
  SpriteButton* ButtonFor(HWND control) const;
  SpriteCheckbox* CheckboxFor(HWND control) const;
  LinkControl* LinkFor(HWND control) const;
  void DestroyControls(int id);
  void PlaceAt(HWND control, const RECT& rect, SIZE size, bool show);
  bool IsSkippedFirstScreen() const { return skip_first_screen_; }
  void SetSendStatisticsChoice(std::optional<bool> send);

  static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  // Distribution.
  std::shared_ptr<const BrandInfo> brand_;
  std::shared_ptr<const DistribInfoParams> params_;
  MainWindowEnvironment env_;
  bool open_mode_;
  LANGID langid_ = 1033;
  bool facetune_ = false;
  bool skip_first_screen_ = false;
  int uac_mode_ = 0;
  int kepin_offer_state_ = 0;
  int kind_ = 0;
  bool can_make_default_ = true;

  std::unique_ptr<WindowController> controller_;
  std::unique_ptr<WindowDialogs> dialogs_;
  std::unique_ptr<WindowLook> look_;

  // Windows.
  std::atomic<HWND> hwnd_{nullptr};
  HWND shadow_ = nullptr;
  ITaskbarList3* taskbar_ = nullptr;
  HICON icon_big_ = nullptr;
  HICON icon_small_ = nullptr;

  // Pictures.
  ResourceBitmap background_;
  ResourceBitmap header_logo_;

  // Controls.
  std::unique_ptr<SpriteButton> install_button_;
  std::unique_ptr<SpriteButton> close_button_;
  std::unique_ptr<SpriteButton> minimize_button_;
  std::unique_ptr<SpriteButton> cancel_button_;
  std::unique_ptr<LinkControl> policy_link_;
  std::unique_ptr<LinkControl> licence_link_;
  std::unique_ptr<LinkControl> late_licence_link_;
  std::unique_ptr<SpriteCheckbox> default_checkbox_;
  std::unique_ptr<SpriteCheckbox> stat_checkbox_;
  std::unique_ptr<SpriteCheckbox> kepin_checkbox_;
  std::unique_ptr<CustomProgressBar> progress_bar_;
  std::unique_ptr<SlideShowPainter> slides_;

  // Choices handed to the controller.
  bool make_default_choice_ = false;
  bool send_statistics_choice_ = true;
  bool pin_assistant_choice_ = true;

  // Message ids.
  UINT msg_install_progress_ = 0;
  UINT msg_import_progress_ = 0;
  UINT msg_close_window_ = 0;
  UINT msg_higher_version_ = 0;
  UINT msg_move_window_ = 0;
  UINT msg_corp_higher_version_ = 0;
  UINT msg_corp_browser_exists_ = 0;

  std::atomic<int32_t> pending_error_code_{0};
  std::atomic<bool> install_clicked_{false};
  bool late_licence_shown_ = false;
  bool header_text_pending_ = false;
  bool progress_screen_active_ = false;
  bool ended_ = false;
  ProgressState progress_;

  // Dragging.
  WindowDrag drag_;
};

}  // namespace lite_installer
