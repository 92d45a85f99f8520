// The elevated instance ("run-as-admin"): wait for the first installer's
// go-ahead, then run setup on its behalf.
#include "base/logging.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "base/test_hooks.h"
#include "installer/controller/elevated_runner.h"
#include "installer/config/installer_command_line.h"
#include "installer/controller/installer_events.h"
#include "installer/ui/install_progress_receiver.h"
#include "installer/controller/installer.h"
#include "installer/app/startup_steps.h"
#include "installer/setup/delayed_params.h"
#include "base/files.h"

namespace lite_installer {

namespace {

constexpr UINT kForwardedProgressMessage = WM_APP + 100;
constexpr UINT kForwardedEstimateMessage = WM_APP + 101;
constexpr int kCancelButtonId = 212;

// Passes setup's progress to the first installer's window.
class ProgressForwarder : public InstallProgressReceiver {
 public:
  explicit ProgressForwarder(HWND window) : window_(window) {}
  void OnDownloadProgress(float) override {}
  void OnSlowDownload() override {}
  void OnDownloadTimeEstimate(int32_t seconds, int32_t phase) override {
    if (!window_) return;
    ::PostMessageW(window_, kForwardedEstimateMessage, static_cast<WPARAM>(seconds),
                   static_cast<LPARAM>(phase));
  }
  void CloseWindow() override {}
  void ShowError(int32_t) override {}
  HWND GetWindowHandle() override { return window_; }
  void SetProgress(int32_t percent) override {
    // Without a window (silent parent) nothing is posted: a message for
    // no window would land in this thread's own queue.
    if (!window_) return;
    ::PostMessageW(window_, kForwardedProgressMessage, static_cast<WPARAM>(percent), 0);
  }
  void RemoveCancelButton() override {
    if (window_) ::ShowWindow(::GetDlgItem(window_, kCancelButtonId), SW_HIDE);
  }

 private:
  HWND window_;
};

}  // namespace

int RunSetupAsAdmin(const InstallerCommandLine& command_line, HANDLE parent,
                    const InstallerOptions& options) {
  InstallerCommandLine setup_command_line = command_line;
  ApplyDelayedParams(&setup_command_line);
  // The parameter block and the archive can be written by any program of
  // the user: the archive is held against writes and deletion, verified
  // again with the first installer's rules, and run while still held.
  const std::wstring archive = setup_command_line.program();
  const base::ScopedHandle lock = base::OpenFileForExecution(archive);
  if (!lock) {
    PLOG_TAG(ERROR, "ExecuteAsAdmin", ::GetLastError()) << "Cannot lock the browser archive " << archive;
    SetSharedErrorKind(kErrorGeneric);
    return -1;
  }
  LOG_TAG(INFO, "ExecuteAsAdmin") << "Verifying " << archive;
  if (!VerifyDownloadedModule(archive)) {
    LOG_TAG(ERROR, "ExecuteAsAdmin") << "Module verification failed: " << archive;
    SetSharedErrorKind(kErrorGeneric);
    return -1;
  }
  const auto window_value = base::ParseInt64(setup_command_line.GetSwitchValue("progress-window"));
  HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(window_value.value_or(0)));
  ProgressForwarder forwarder(window);
  bool success;
  int32_t result;
  {
    Installer installer(&forwarder, nullptr, nullptr, &options, false);
    success = installer.RunModuleInThisProcess(archive, setup_command_line);
    result = installer.result_code();
  }
  LOG_TAG(INFO, "ExecuteAsAdmin") << "RunModule results: success=" << success
                                  << " error_code=" << result;
  return success ? 0 : -1;
}

int ExecuteAsAdmin(const InstallerOptions& options) {
  const std::wstring& setup_command = options.setup_command_line;
  const std::string& raw_parent_id = options.parent_process_id;
  const std::optional<uint32_t> parsed = base::ParseUint32(raw_parent_id);
  if (!parsed) LOG(ERROR) << "Suspicious process id=" << raw_parent_id;
  const DWORD parent_id = parsed.value_or(0);

  base::ScopedHandle parent(::OpenProcess(SYNCHRONIZE, TRUE, parent_id));
  LOG(INFO) << "Start installer as admin";

  const std::wstring& token = options.elevation_token;
  if (!IsElevationToken(token)) {
    LOG(ERROR) << "The elevated instance has no valid token of its run";
    return -1;
  }
  const InstallerCommandLine setup_command_line(setup_command);

  base::ScopedHandle go_ahead(
      ::OpenEventW(SYNCHRONIZE, FALSE, ElevatedGoAheadEventName(token).c_str()));
  base::ScopedHandle stop(::OpenEventW(SYNCHRONIZE, FALSE, ElevatedStopEventName(token).c_str()));
  if (!go_ahead || !stop) {
    PLOG(ERROR, ::GetLastError()) << "The elevated instance cannot reach its parent's events";
    return -1;
  }
  const HANDLE handles[] = {go_ahead.get(), stop.get(), parent.get()};
  const DWORD wait = ::WaitForMultipleObjects(3, handles, FALSE, INFINITE);
  // Tests of the parent's grace period play an instance that never ends.
  if (base::GetTestHook("ELEVATED_HANG")) ::Sleep(INFINITE);
  if (wait != WAIT_OBJECT_0) {
    LOG(ERROR) << "Installer started as admin has been unexpectedly synced, wr="
               << static_cast<int32_t>(wait);
    return -1;
  }
  return RunSetupAsAdmin(setup_command_line, parent.get(), options);
}

}  // namespace lite_installer
