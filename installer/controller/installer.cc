#include "installer/controller/installer.h"

#include <process.h>

#include "base/files.h"
#include "base/logging.h"
#include "base/strings.h"
#include "installer/config/async_install_tasks.h"
#include "installer/config/brand_info.h"
#include "installer/config/distrib_info_params.h"
#include "installer/controller/elevated_runner.h"
#include "installer/config/installer_command_line.h"
#include "installer/controller/installer_events.h"
#include "installer/util/user_id.h"
#include "installer/util/install_stat_sender.h"
#include "installer/setup/delayed_params.h"
#include "installer/util/registry.h"
#include "installer/util/win_version.h"

namespace lite_installer {
namespace {

constexpr DWORD kInstallThreadWaitMs = 60000;
constexpr DWORD kBrowserWindowPollMs = 20000;

std::wstring NewGuidString() {
  GUID guid;
  if (FAILED(::CoCreateGuid(&guid))) return {};
  wchar_t text[40];
  return ::StringFromGUID2(guid, text, 40) ? std::wstring(text) : std::wstring();
}

bool BrowserMessageWindowExists() {
  return ::FindWindowExW(HWND_MESSAGE, nullptr, installer_util::kBrowserMessageWindowName,
                         nullptr) != nullptr;
}

}  // namespace

Installer::Installer(InstallProgressReceiver* receiver, const BrandInfo* brand,
                     const DistribInfoParams* params, const InstallerOptions* options,
                     bool with_remote_configuration, std::unique_ptr<ControllerPorts> ports)
    : ports_(ports ? std::move(ports) : std::make_unique<ProductControllerPorts>()),
      receiver_(receiver),
      brand_(brand),
      params_(params),
      options_(options) {
  user_id_ = GetUserId();
  stats_ = ports_->CreateStatSender(user_id_);
  if (brand_) temp_dir_ = brand_->temp_dir;
  installer_data_path_ = options_->installer_data_file;
  clids_file_path_ = options_->clids_file;
  website_icon_path_ = options_->website_icon_file;
  abt_config_path_ = options_->abt_config_file;
  if (with_remote_configuration) remote_tasks_ = StartRemoteConfigurationTasks(brand_, params_);
  InitializeIdentifiers();
}

Installer::~Installer() {
  if (install_thread_) {
    stop_event_.Signal();
    if (::WaitForSingleObject(install_thread_.get(), kInstallThreadWaitMs) != WAIT_OBJECT_0) {
      PLOG_TAG(ERROR, "~Installer", ::GetLastError())
          << "Failed to wait for install async exit. Terminate install_thread_";
      ::TerminateThread(install_thread_.get(), 0);
    }
  }
  elevated_runner_.reset();
  remote_tasks_.reset();
  stats_.reset();
}

void Installer::InitializeIdentifiers() {
  SetIdentifierParams(stats_.get(), brand_, params_);
  stop_event_.Reset();
  go_ahead_event_.Reset();
}

void Installer::SetMakeDefault(bool make_default) {
  const installer_util::WindowsVersion v = installer_util::GetWindowsVersion();
  if (v.major == 6 && (v.minor == 2 || v.minor == 3)) return;  // Windows 8 and 8.1
  make_default_ = make_default;
}

void Installer::set_elevated_runner(std::unique_ptr<ElevatedRunner> runner) {
  elevated_runner_ = std::move(runner);
}

bool Installer::StartAsync() {
  stop_event_.Reset();
  go_ahead_event_.Reset();
  install_thread_.reset(reinterpret_cast<HANDLE>(
      ::_beginthreadex(nullptr, 0, &Installer::InstallThreadMain, this, 0, nullptr)));
  return install_thread_.is_valid();
}

unsigned __stdcall Installer::InstallThreadMain(void* self) {
  static_cast<Installer*>(self)->RunInstallation();
  return 0;
}

void Installer::RecordClickTime() { click_time_ = ports_->NowMicros(); }

void Installer::AllowInstall() {
  go_ahead_time_ = ports_->NowMicros();
  go_ahead_event_.Signal();
}

void Installer::RunSync() {
  stop_event_.Reset();
  go_ahead_time_ = ports_->NowMicros();
  go_ahead_event_.Signal();
  RunInstallation();
}

bool Installer::WaitForInstallAsync() {
  stop_event_.Signal();
  if (!install_thread_) return true;
  return ::WaitForSingleObject(install_thread_.get(), kInstallThreadWaitMs) == WAIT_OBJECT_0;
}

bool Installer::ShouldLaunchBrowser() const {
  return launch_browser_ && options_->launch_browser;
}

void Installer::AddDoNotLaunchSwitch(InstallerCommandLine* setup_command_line) const {
  if (!launch_browser_ && !setup_command_line->HasSwitch("do-not-launch-browser"))
    setup_command_line->AppendSwitch("do-not-launch-browser");
}

void Installer::RunInstallation() {
  SendInstallerStartedEvent(stats_.get());
  run_id_ = base::WideToUtf8(NewGuidString());

  installer_util::StoreValue(L"lang", base::Utf8ToWide(brand_ ? brand_->interface_language : ""));
  ExtractInstallerDataIfAbsent(temp_dir_);
  installer_util::StoreValue(L"InstallerData", installer_data_path_);
  installer_util::StoreValue(L"ClidsFile", clids_file_path_);
  installer_util::StoreValue(L"KelmorWebsiteIconFile", website_icon_path_);
  installer_util::StoreValue(L"AbtConfigResourceFile", abt_config_path_);
  installer_util::StoreValue(L"brand", base::Utf8ToWide(brand_ ? brand_->brand_name : ""));
  installer_util::StoreValue(L"BrandFile", brand_ ? brand_->brand_package_path : L"");
  if (brand_ && brand_->partner_package_loaded)
    installer_util::StoreValue(L"PartnerFile", brand_->partner_package_path);

  int32_t kind = InstallBrowser();
  const bool success = kind == kErrorNone;
  if (!success) {
    const int32_t specific = GetSharedErrorKind();
    if (kind == kErrorGeneric && specific != 0) kind = specific;
    LOG(ERROR) << "Installation failed, error kind " << kind;
    if (receiver_ && (!IsStopped() || specific != 0)) receiver_->ShowError(kind);
  } else {
    for (const wchar_t* name : {L"InstallerData", L"ClidsFile", L"KelmorWebsiteIconFile",
                                L"DistribInfoParams", L"brand", L"BrandFile", L"PartnerFile"})
      installer_util::RemoveValue(name);
    if (brand_ && !brand_->brand_package_path.empty())
      base::DeleteFileIfExists(brand_->brand_package_path);
    if (brand_ && !brand_->partner_package_path.empty())
      base::DeleteFileIfExists(brand_->partner_package_path);
  }

  if (receiver_) {
    while (!stop_event_.TimedWait(kBrowserWindowPollMs)) {
      if (!BrowserMessageWindowExists()) {
        receiver_->CloseWindow();
        break;
      }
    }
  }
  const HANDLE stop = stop_event_.handle();
  ReportInstallationFinished(stats_.get(), success, cancelled(), total_time_, download_duration_,
                             installation_duration_, stop,
                             [this, stop](const std::wstring& url, installer_util::DownloadSink* sink,
                                          std::string* error, std::wstring* redirect) {
                               return ports_->DownloadPlain(url, sink, error, redirect, stop);
                             });
}

}  // namespace lite_installer
