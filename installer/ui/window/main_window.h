// The installer window: one modal, borderless, owner-drawn dialog (template
// 901) with a first screen (title, Install, option checkboxes, licence
// line) and a progress screen (slides, progress bar and its text, cancel).
// It owns the installer controller and both screens, receives the
// controller's progress through InstallProgressReceiver and setup's
// progress through registered window messages.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/scoped_gdi.h"
#include "installer/config/installer_options.h"
#include "installer/ui/install_progress_receiver.h"
#include "installer/ui/window/first_screen.h"
#include "installer/ui/window/progress_screen.h"
#include "installer/ui/window/window_controller.h"
#include "installer/ui/window/window_dialogs.h"
#include "installer/ui/window/window_frame.h"
#include "installer/ui/window/window_look.h"
#include "installer/ui/window_base.h"
#include "resource_ids.h"

namespace lite_installer {

class BrandInfo;
class DistribInfoParams;

constexpr int kMainWindowDialogId = IDD_MAIN_WINDOW;
constexpr UINT kMsgSetProgress = WM_APP + 100;  // wParam = percent

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

class MainWindow : public WindowBase, public InstallProgressReceiver {
 public:
  MainWindow(std::shared_ptr<const BrandInfo> brand, std::shared_ptr<const DistribInfoParams> params,
             bool open_mode, MainWindowEnvironment environment);
  ~MainWindow() override;

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

  // WindowBase.
  INT_PTR OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnPaint(HDC dc) override;
  void OnPainted() override;
  void OnMoveWindow() override;

  // Setup's registered messages; false for any other message.
  bool OnSetupMessage(UINT message, WPARAM wparam, INT_PTR* result);
  INT_PTR OnSysCommand(WPARAM command);
  bool OnInitDialog();
  void SetWindowIcons();
  void CentreOnWorkArea();
  void ClipSiblings();
  bool LayoutProgressDialog();
  void OnInstallClicked();
  // Asks the resume question; true (and the cancel counted) when the user stops.
  bool ConfirmStop();
  void OnCommand(int id, int code);
  void OnCheckboxClicked(int id);
  void OnProgress(int percent);
  void OnInstallProgress(int stage);
  void OnImportProgress(int percent);
  void OnCloseWindow();
  void OnShowError(int32_t kind);
  void OnNotice(NoticeKind kind);
  LRESULT OnCorporateBrowserExists();
  void OnDrawItem(const DRAWITEMSTRUCT& draw);
  LRESULT OnNotify(const NMHDR& header);
  void EndWith(int code);
  void HideWindows();
  void RaiseButton(const wchar_t* value);
  void StartElevatedInstallerOrLog();
  void OpenUrl(const std::wstring& url);
  SpriteButton* ButtonFor(HWND control) const;
  bool IsSkippedFirstScreen() const { return skip_first_screen_; }
  void SetSendStatisticsChoice(std::optional<bool> send);

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
  HWND shadow_ = nullptr;
  base::ScopedIcon icon_big_;
  base::ScopedIcon icon_small_;

  // The screens and what they share.
  WindowFrame frame_;
  std::unique_ptr<FirstScreen> first_screen_;
  std::unique_ptr<ProgressScreen> progress_screen_;

  // Choices handed to the controller.
  bool make_default_choice_ = false;
  bool send_statistics_choice_ = true;
  bool pin_assistant_choice_ = true;

  // Message ids.
  UINT msg_install_progress_ = 0;
  UINT msg_import_progress_ = 0;
  UINT msg_close_window_ = 0;
  UINT msg_higher_version_ = 0;
  UINT msg_corp_higher_version_ = 0;
  UINT msg_corp_browser_exists_ = 0;

  std::atomic<int32_t> pending_error_code_{0};
  std::atomic<bool> install_clicked_{false};
  bool ended_ = false;
};

}  // namespace lite_installer
