// The installer controller: one installation attempt, run on the caller's
// thread (silent mode) or on an install thread of its own (window mode).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/process.h"
#include "base/scoped_handle.h"
#include "installer/config/installer_options.h"
#include "installer/controller/controller_ports.h"
#include "installer/ui/install_progress_receiver.h"

namespace installer_util {
class DownloadSink;
class DownloadTargetFile;
class InstallStatSender;
}  // namespace installer_util

namespace lite_installer {

class AsyncInstallTasks;
class BrandInfo;
class DistribInfoParams;
class ElevatedRunner;
class InstallerCommandLine;

// Result codes besides setup's own exit code.
constexpr int32_t kResultInitial = 400;
constexpr int32_t kResultDownloadFailed = 401;
constexpr int32_t kResultVerificationFailed = 402;

// Results of the setup download step.
enum ModuleDownloadResult : int {
  kModuleDownloaded = 0,
  kModuleFileNotCreated = 1,
  kModuleDownloadFailed = 2,
  kModuleDownloadCryptoPro = 3,
};

class Installer {
 public:
  // `options` (the run's command line) outlives the installer. Without
  // `ports` the installer talks to the real world (ProductControllerPorts).
  Installer(InstallProgressReceiver* receiver, const BrandInfo* brand,
            const DistribInfoParams* params, const InstallerOptions* options,
            bool with_remote_configuration, std::unique_ptr<ControllerPorts> ports = nullptr);
  Installer(const Installer&) = delete;
  Installer& operator=(const Installer&) = delete;
  virtual ~Installer();

  // Runs setup through the elevated instance.
  bool RunModuleInElevatedProcess(const std::wstring& module_path);
  // Runs setup in this process; the result code becomes setup's exit code.
  bool RunModuleInThisProcess(const std::wstring& module_path,
                              const InstallerCommandLine& setup_command_line);
  // Statistics identifiers, the two events and the user id.
  void InitializeIdentifiers();

  // Ignored on Windows 8 and 8.1, where the flag stays false.
  void SetMakeDefault(bool make_default);
  void set_send_statistics(bool send) { send_statistics_ = send; }
  void set_pin_assistant(bool pin) { pin_assistant_ = pin; }
  bool make_default() const { return make_default_; }
  bool send_statistics() const { return send_statistics_; }
  bool pin_assistant() const { return pin_assistant_; }
  void set_uac_declined(bool declined) { uac_declined_ = declined; }
  bool uac_declined() const { return uac_declined_; }
  void set_interface_availability(uint32_t value) { interface_availability_ = value; }
  // The user stopped the installation (reported as "cancelled"). Set by the
  // window thread, read by the install thread.
  void set_cancelled(bool cancelled) { cancelled_.store(cancelled); }
  bool cancelled() const { return cancelled_.load(); }
  void set_elevated_runner(std::unique_ptr<ElevatedRunner> runner);
  ElevatedRunner* elevated_runner() const { return elevated_runner_.get(); }

  // Starts the elevated instance now, so that the elevation prompt shows
  // while the user still looks at the window; false when it was refused.
  bool StartElevatedInstaller();
  bool StartAsync();
  void RecordClickTime();
  void AllowInstall();
  void RunSync();
  // Sets the stop event and waits up to a minute for the install thread.
  bool WaitForInstallAsync();
  bool ShouldLaunchBrowser() const;
  void AddDoNotLaunchSwitch(InstallerCommandLine* setup_command_line) const;

  int32_t result_code() const { return result_code_; }
  HANDLE stop_event() const { return stop_event_.handle(); }
  bool IsStopped() const { return stop_event_.IsSignaled(); }
  installer_util::InstallStatSender* stats() const { return stats_.get(); }
  InstallProgressReceiver* receiver() const { return receiver_; }

  // Setup's command line (program, switches of this process, choices and
  // data files), in the fixed order of steps.
  InstallerCommandLine BuildSetupCommandLine(const std::wstring& program,
                                             bool with_data_files) const;
  // Writes the data files that are not given on the command line.
  void ExtractInstallerDataIfAbsent(const std::wstring& temp_dir);

  // The installation procedure (the install thread's body).
  void RunInstallation();
  // Download, go-ahead, lock, verification and setup run; 0 or an error kind.
  int32_t InstallBrowser();

  // Setup archive download (with retries and resume).
  std::wstring GetModulePath();
  int GetModule(const std::wstring& path, installer_util::DownloadTargetFile* lock_holder);
  int DownloadOrExtractModule(const std::wstring& path, bool* downloaded,
                              installer_util::DownloadTargetFile* lock_holder);
  int DownloadModule(HANDLE file, DownloadArchitecture forced_architecture);
  std::vector<std::string> GetDownloadUrlsFromBrandConfig(int architecture) const;
  bool IsVersionedSetupUrlAllowed(const std::string& url) const;

  bool RunModuleAndWait(const wchar_t* application, const std::wstring& command_line,
                        int32_t* exit_code);

  // Stage times (monotonic microseconds).
  uint64_t click_time() const { return click_time_; }
  uint64_t go_ahead_time() const { return go_ahead_time_; }
  int64_t download_duration() const { return download_duration_; }
  int64_t installation_duration() const { return installation_duration_; }
  int64_t total_time() const { return total_time_; }

 private:
  // Monotonic times of the stages that count towards the total time.
  struct StageTimes {
    uint64_t download_start = 0;
    uint64_t download_end = 0;
    uint64_t go_ahead = 0;
  };

  static unsigned __stdcall InstallThreadMain(void* self);
  // The steps of InstallBrowser.
  bool WaitForGoAhead();
  bool LockAndVerifyModule(const std::wstring& path,
                           installer_util::DownloadTargetFile* lock_holder,
                           base::ScopedHandle* lock);
  bool RunSetup(const std::wstring& path, bool* ok);
  int32_t FinishSetupRun(bool ok, const StageTimes& times);

  std::unique_ptr<ControllerPorts> ports_;

  std::unique_ptr<AsyncInstallTasks> remote_tasks_;
  std::unique_ptr<installer_util::InstallStatSender> stats_;
  InstallProgressReceiver* receiver_;
  const BrandInfo* brand_;
  const DistribInfoParams* params_;
  const InstallerOptions* options_;
  bool make_default_ = false;
  bool send_statistics_ = false;
  bool pin_assistant_ = true;
  bool uac_declined_ = false;
  std::atomic<bool> cancelled_{false};
  uint32_t interface_availability_ = 0;
  std::wstring temp_dir_;
  std::wstring installer_data_path_;
  std::wstring clids_file_path_;
  std::wstring website_icon_path_;
  std::wstring abt_config_path_;
  std::string run_id_;
  std::string user_id_;
  int32_t result_code_ = kResultInitial;
  base::ScopedHandle install_thread_;
  base::WaitableEvent stop_event_{base::WaitableEvent::ResetPolicy::kManual, false};
  base::WaitableEvent go_ahead_event_{base::WaitableEvent::ResetPolicy::kManual, false};
  uint64_t click_time_ = 0;
  uint64_t go_ahead_time_ = 0;
  int64_t download_duration_ = 0;
  int64_t installation_duration_ = 0;
  int64_t total_time_ = 0;
  bool launch_browser_ = true;
  std::unique_ptr<ElevatedRunner> elevated_runner_;
  int32_t elevated_exit_code_ = -1;
  std::wstring module_path_;
  std::wstring partner_package_override_path_;
};

}  // namespace lite_installer
