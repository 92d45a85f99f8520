// The installation run: download, go-ahead, lock, verification, setup.
#include <windows.h>

#include <cstdlib>

#include "base/clock.h"
#include "base/files.h"
#include "base/logging.h"
#include "base/scoped_handle.h"
#include "base/test_hooks.h"
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

  const uint64_t t0 = base::MonotonicMicros();
  const int download = GetModule(path, permanent_lock ? &lock_holder : nullptr);
  if (download != kModuleDownloaded) {
    switch (download) {
      case kModuleFileNotCreated:
        return kErrorGeneric;
      case kModuleDownloadCryptoPro:
        return kErrorDownloadCryptoPro;
      default:
        return kErrorDownload;
    }
  }
  const uint64_t t1 = base::MonotonicMicros();

  const HANDLE events[] = {go_ahead_event_.handle(), stop_event_.handle()};
  // The stop event is looked at first: a stop requested together with the
  // go-ahead wins.
  const DWORD wait = stop_event_.IsSignaled() ? WAIT_OBJECT_0 + 1
                                              : ::WaitForMultipleObjects(2, events, FALSE, INFINITE);
  if (wait != WAIT_OBJECT_0) {
    LOG(ERROR) << "Installation after download event isn't in signal state or installation "
                  "was stopped early.";
    return kErrorGeneric;
  }
  const uint64_t t2 = base::MonotonicMicros();

  base::ScopedHandle lock;
  if (permanent_lock) {
    if (!lock_holder.LockForExecution()) {
      OnArchiveLockFailed(stats_.get());
      PLOG(ERROR, ::GetLastError()) << "Cannot lock file: " << path;
      return kErrorGeneric;
    }
  } else {
    lock = base::OpenFileForExecution(path);
    if (!lock) {
      PLOG(ERROR, ::GetLastError()) << "Cannot lock file: " << path;
      return kErrorGeneric;
    }
  }

  if (!VerifyModule(path)) {
    PLOG(ERROR, ::GetLastError()) << "Module verification failed: " << path;
    result_code_ = kResultVerificationFailed;
    OnVerificationFailed(stats_.get());
    return kErrorGeneric;
  }
  LOG(INFO) << "Verification succeeded: " << path;
  const uint64_t t3 = base::MonotonicMicros();
  OnSetupLaunched(stats_.get(), elevated_runner_ != nullptr);

  bool ok;
  if (elevated_runner_) {
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
      LOG(ERROR) << "Unexpected error in CreateDelayedParamsMapping()";
      return kErrorGeneric;
    }
    ok = RunModuleInElevatedProcess(path);
    // Setup's own exit code stays in the elevated instance, which ends with 0
    // only when setup succeeded: a finished installation must not keep the
    // initial "setup never ran" result.
    if (ok) result_code_ = 0;
  } else {
    const InstallerCommandLine setup_command_line = BuildSetupCommandLine(path, true);
    ok = RunModuleInThisProcess(path, setup_command_line);
    launch_browser_ = ok;
  }

  lock.reset();
  installation_duration_ = static_cast<int64_t>(base::MonotonicMicros() - t3);
  OnSetupFinished(stats_.get(), ok, result_code_, installation_duration_,
                  elevated_runner_ != nullptr);

  int32_t result;
  if (ok) {
    elevated_runner_.reset();
    if (!ShouldLaunchBrowser() && receiver_) {
      receiver_->SetProgress(100);
      receiver_->CloseWindow();
      receiver_ = nullptr;
    }
    total_time_ = static_cast<int64_t>((t1 - t0) + (base::MonotonicMicros() - t2));
    result = kErrorNone;
  } else if (elevated_runner_) {
    const int32_t stored = GetSharedErrorKind();
    if (stored != 0)
      result = stored;
    else if (elevated_runner_->exit_code() == 600)
      result = kErrorElevatedAnotherInstance;
    else
      result = kErrorGeneric;
    LOG(ERROR) << "The elevated run failed, exit code " << elevated_runner_->exit_code()
               << ", error kind " << result;
    elevated_runner_.reset();
  } else {
    result = kErrorGeneric;
  }
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
  const bool ok = elevated_runner_->RunModule(stop_event_.handle());
  LOG(INFO) << "The elevated installer has finished, success=" << ok;
  return ok;
}

bool Installer::RunModuleAndWait(const wchar_t* application, const std::wstring& command_line,
                                 int32_t* exit_code) {
  LOG(INFO) << "Run: " << command_line;
  *exit_code = kResultInitial;
  STARTUPINFOW startup = {};
  PROCESS_INFORMATION info = {};
  std::wstring writable = command_line;
  BOOL created = FALSE;
  // Test builds can make the start fail with a given system error, as on a
  // system that cannot run setup's machine type.
  if (const auto simulated = base::GetTestHook("CREATE_PROCESS_ERROR")) {
    ::SetLastError(static_cast<DWORD>(std::strtoul(simulated->c_str(), nullptr, 10)));
  } else {
    created = ::CreateProcessW(application, writable.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                               nullptr, nullptr, &startup, &info);
  }
  if (!created) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_EXE_MACHINE_TYPE_MISMATCH) SetSharedErrorKind(kErrorMachineTypeMismatch);
    PLOG(ERROR, error) << "Create process failed.";
    return false;
  }
  base::ScopedHandle process(info.hProcess);
  base::ScopedHandle thread(info.hThread);
  LOG(INFO) << "Process created: " << info.dwProcessId;
  if (receiver_) {
    receiver_->SetProgress(40);
    receiver_->RemoveCancelButton();
  }
  thread.reset();

  LOG(INFO) << "Wait for process finish.";
  if (::WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) {
    PLOG(ERROR, ::GetLastError()) << "Wait process failed.";
    return false;
  }
  DWORD code = 0;
  const bool have_code = ::GetExitCodeProcess(process.get(), &code) != 0;
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

bool Installer::VerifyModule(const std::wstring& path) { return VerifyDownloadedModule(path); }

}  // namespace lite_installer
