// The installation run: download, go-ahead, lock, verification, setup.
#include <windows.h>

#include "base/files.h"
#include "base/logging.h"
#include "base/scoped_handle.h"
#include "installer/controller/controller_ports.h"
#include "installer/config/brand_info.h"
#include "installer/config/distrib_info_params.h"
#include "installer/controller/elevated_runner.h"
#include "installer/controller/installer.h"
#include "installer/config/installer_command_line.h"
#include "installer/controller/installer_events.h"
#include "installer/util/user_id.h"
#include "installer/setup/delayed_params.h"
#include "installer/util/downloader.h"

namespace lite_installer {
namespace {

// Deletes the archive when the run ends, whatever the outcome.
class ScopedFileDeleter {
 public:
  explicit ScopedFileDeleter(std::wstring path) : path_(std::move(path)) {}
  ~ScopedFileDeleter() { base::DeleteFileIfExists(path_); }

 private:
  std::wstring path_;
};

// The steps keep the procedure's own log tag.
constexpr char kInstallTag[] = "InstallBrowser";

int32_t DownloadErrorKind(int download) {
  switch (download) {
    case kModuleFileNotCreated:
      return kErrorGeneric;
    case kModuleDownloadCryptoPro:
      return kErrorDownloadCryptoPro;
    default:
      return kErrorDownload;
  }
}

}  // namespace

int32_t Installer::InstallBrowser() {
  LOG(INFO) << "Install Browser.";
  module_path_ = GetModulePath();
  if (module_path_.empty()) return kErrorGeneric;
  const std::wstring path = module_path_;

  const bool permanent_lock =
      params_ && !params_->Get("setup_arc_permanent_lock").value_or("").empty();
  LOG(INFO) << "Executable path: " << path;
  base::DeleteFileIfExists(path);

  // Declared before the holder, so the file is deleted after the holder
  // has let it go.
  ScopedFileDeleter delete_archive(path);
  installer_util::DownloadTargetFile lock_holder;

  StageTimes times;
  times.download_start = ports_->NowMicros();
  const int download = GetModule(path, permanent_lock ? &lock_holder : nullptr);
  if (download != kModuleDownloaded) return DownloadErrorKind(download);
  times.download_end = ports_->NowMicros();

  if (!WaitForGoAhead()) return kErrorGeneric;
  times.go_ahead = ports_->NowMicros();

  base::ScopedHandle lock;
  if (!LockAndVerifyModule(path, permanent_lock ? &lock_holder : nullptr, &lock))
    return kErrorGeneric;
  const uint64_t setup_start = ports_->NowMicros();
  OnSetupLaunched(stats_.get(), elevated_runner_ != nullptr);

  bool ok = false;
  if (!RunSetup(path, &ok)) return kErrorGeneric;

  lock.reset();
  installation_duration_ = static_cast<int64_t>(ports_->NowMicros() - setup_start);
  OnSetupFinished(stats_.get(), ok, result_code_, installation_duration_,
                  elevated_runner_ != nullptr);
  return FinishSetupRun(ok, times);
}

bool Installer::WaitForGoAhead() {
  const HANDLE events[] = {go_ahead_event_.handle(), stop_event_.handle()};
  // The stop event is looked at first: a stop requested together with the
  // go-ahead wins.
  const DWORD wait = stop_event_.IsSignaled() ? WAIT_OBJECT_0 + 1
                                              : ::WaitForMultipleObjects(2, events, FALSE, INFINITE);
  if (wait != WAIT_OBJECT_0) {
    LOG_TAG(ERROR, kInstallTag)
        << "Installation after download event isn't in signal state or installation "
           "was stopped early.";
    return false;
  }
  return true;
}

bool Installer::LockAndVerifyModule(const std::wstring& path,
                                    installer_util::DownloadTargetFile* lock_holder,
                                    base::ScopedHandle* lock) {
  if (lock_holder) {
    if (!lock_holder->LockForExecution()) {
      OnArchiveLockFailed(stats_.get());
      PLOG_TAG(ERROR, kInstallTag, ::GetLastError()) << "Cannot lock file: " << path;
      return false;
    }
  } else {
    *lock = base::OpenFileForExecution(path);
    if (!*lock) {
      PLOG_TAG(ERROR, kInstallTag, ::GetLastError()) << "Cannot lock file: " << path;
      return false;
    }
  }

  if (!ports_->VerifyModule(path)) {
    PLOG_TAG(ERROR, kInstallTag, ::GetLastError()) << "Module verification failed: " << path;
    result_code_ = kResultVerificationFailed;
    OnVerificationFailed(stats_.get());
    return false;
  }
  LOG_TAG(INFO, kInstallTag) << "Verification succeeded: " << path;
  return true;
}

bool Installer::RunSetup(const std::wstring& path, bool* ok) {
  if (!elevated_runner_) {
    const InstallerCommandLine setup_command_line = BuildSetupCommandLine(path, true);
    *ok = RunModuleInThisProcess(path, setup_command_line);
    launch_browser_ = *ok;
    return true;
  }
  DelayedParamValues values;
  values.browser_arc_path = path;
  values.clids_file_path = clids_file_path_;
  values.kelmor_website_icon_file_path = website_icon_path_;
  values.installer_data_path = installer_data_path_;
  if (brand_ && brand_->brand_package_loaded) values.brand_package_path = brand_->brand_package_path;
  if (brand_ && brand_->partner_package_loaded)
    values.partner_package_path = brand_->partner_package_path;
  values.partner_package_override_path = partner_package_override_path_;
  values.histogram_download_time = std::to_wstring(download_duration_ / 1000000);
  values.histogram_full_time = std::to_wstring(go_ahead_time_);
  values.send_statistics = send_statistics_;
  values.make_default = make_default_;
  values.install_kepin = pin_assistant_;
  if (!WriteDelayedParams(values)) {
    LOG_TAG(ERROR, kInstallTag) << "Unexpected error in CreateDelayedParamsMapping()";
    return false;
  }
  *ok = RunModuleInElevatedProcess(path);
  // Setup's own exit code stays in the elevated instance, which ends with 0
  // only when setup succeeded: a finished installation must not keep the
  // initial "setup never ran" result.
  if (*ok) result_code_ = 0;
  return true;
}

int32_t Installer::FinishSetupRun(bool ok, const StageTimes& times) {
  if (ok) {
    elevated_runner_.reset();
    if (!ShouldLaunchBrowser() && receiver_) {
      receiver_->SetProgress(100);
      receiver_->CloseWindow();
      receiver_ = nullptr;
    }
    total_time_ = static_cast<int64_t>((times.download_end - times.download_start) +
                                       (ports_->NowMicros() - times.go_ahead));
    return kErrorNone;
  }
  if (!elevated_runner_) return kErrorGeneric;
  const int32_t stored = GetSharedErrorKind();
  int32_t result;
  if (stored != 0)
    result = stored;
  else if (elevated_exit_code_ == 600)
    result = kErrorElevatedAnotherInstance;
  else
    result = kErrorGeneric;
  LOG_TAG(ERROR, kInstallTag) << "The elevated run failed, exit code " << elevated_exit_code_
                              << ", error kind " << result;
  elevated_runner_.reset();
  return result;
}

bool Installer::RunModuleInThisProcess(const std::wstring& module_path,
                                       const InstallerCommandLine& setup_command_line) {
  InstallerCommandLine line = setup_command_line;
  line.set_program(module_path);
  line.AppendSwitch("source", L"lite");
  return RunModuleAndWait(nullptr, line.Render(), &result_code_);
}

bool Installer::RunModuleInElevatedProcess(const std::wstring& module_path) {
  if (!elevated_runner_) return false;
  LOG(INFO) << "Started waiting the elevated installer has finished its work.";
  const bool ok = ports_->RunElevated(elevated_runner_.get(), stop_event_.handle(),
                                      &elevated_exit_code_);
  LOG(INFO) << "The elevated installer has finished, success=" << ok;
  return ok;
}

bool Installer::RunModuleAndWait(const wchar_t* application, const std::wstring& command_line,
                                 int32_t* exit_code) {
  LOG(INFO) << "Run: " << command_line;
  *exit_code = kResultInitial;
  DWORD start_error = 0;
  std::unique_ptr<StartedProcess> process =
      ports_->StartProcess(application, command_line, &start_error);
  if (!process) {
    if (start_error == ERROR_EXE_MACHINE_TYPE_MISMATCH)
      SetSharedErrorKind(kErrorMachineTypeMismatch);
    PLOG(ERROR, start_error) << "Create process failed.";
    return false;
  }
  LOG(INFO) << "Process created: " << process->id();
  if (receiver_) {
    receiver_->SetProgress(40);
    receiver_->RemoveCancelButton();
  }

  LOG(INFO) << "Wait for process finish.";
  if (!process->Wait()) {
    PLOG(ERROR, ::GetLastError()) << "Wait process failed.";
    return false;
  }
  DWORD code = 0;
  const bool have_code = process->GetExitCode(&code);
  if (!have_code) {
    PLOG(ERROR, ::GetLastError()) << "Get setup process exit code failed.";
  } else {
    *exit_code = static_cast<int32_t>(code);
  }
  LOG(INFO) << "Setup process exit with code: " << DescribeSetupExitCode(code);
  if (have_code && code == 7) {
    SetSharedErrorKind(kErrorSetupExit7);
    return false;
  }
  if (have_code && code == 8) {
    SetSharedErrorKind(kErrorSetupExit8);
    return false;
  }
  // The top 8 bits of setup's exit code are its class; every class but 0
  // names an error (a generic error, an archive that could not be
  // extracted, ...), whatever the lower bits say.
  if (have_code && (code >> 24) != 0) {
    LOG(ERROR) << "Setup failed: its exit code is of an error class";
    SetSharedErrorKind(kErrorGeneric);
    return false;
  }
  return have_code;
}

}  // namespace lite_installer
