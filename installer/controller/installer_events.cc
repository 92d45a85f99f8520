#include "installer/controller/installer_events.h"

#include <windows.h>

#include <cmath>

#include "base/scoped_gdi.h"
#include "base/strings.h"
#include "installer/config/brand_info.h"
#include "installer/config/distrib_info_params.h"
#include "installer/util/downloader.h"
#include "installer/util/file_version.h"
#include "installer/util/install_stat_sender.h"
#include "installer/util/kelmor_trust_verifier_win.h"
#include "installer/util/registry.h"

namespace lite_installer {

using installer_util::InstallStatSender;

std::unique_ptr<InstallStatSender> CreateInstallStatSender(const std::string& user_id) {
  return std::make_unique<InstallStatSender>(installer_util::kInstallerTypeLite,
                                             installer_util::ReadValue(L"install_stat"), user_id);
}

void SetIdentifierParams(InstallStatSender* stats, const BrandInfo* brand,
                         const DistribInfoParams* params) {
  if (brand) {
    stats->SetParam(installer_util::kStatBrandId, base::Utf8ToWide(brand->brand_id));
    stats->SetParam(installer_util::kStatPartnerId, base::Utf8ToWide(brand->partner_id));
    std::string ids;
    for (const std::string& id : brand->forced_test_ids) ids += (ids.empty() ? "" : "%3B") + id;
    stats->SetParam(installer_util::kStatTestIds, base::Utf8ToWide(ids));
  } else {
    stats->SetParam(installer_util::kStatBrandId, L"unknown");
    stats->SetParam(installer_util::kStatPartnerId, L"unknown");
    stats->SetParam(installer_util::kStatTestIds, L"");
  }
  if (!params) return;
  const struct {
    const char* key;
    int32_t type;
  } ids[] = {{"banerid", installer_util::kStatBannerId},
             {"distr_kelmoruid", installer_util::kStatDistrKelmorUid},
             {"kelmoruid", installer_util::kStatKelmorUid}};
  for (const auto& id : ids)
    if (const auto value = params->Get(id.key)) stats->SetParam(id.type, base::Utf8ToWide(*value));
}

void SendInstallerStartedEvent(InstallStatSender* stats) {
  int dpi = 96;
  {
    base::ScopedScreenDC screen;
    if (screen) dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
  }
  stats->SendInstallerStartedEvent(static_cast<int>(std::lround(dpi / 96.0 * 100)),
                                   ::GetSystemMetrics(SM_CXSCREEN),
                                   ::GetSystemMetrics(SM_CYSCREEN));
}

void OnDownloadStarted(InstallStatSender* stats) { stats->SendDownloadStartedEvent(); }

void OnDownloadAttempt(InstallStatSender* stats, const DownloadAttempt& a, bool cancelled) {
  installer_util::DownloadAttemptStat stat;
  stat.success = a.success;
  stat.error = a.error;
  stat.attempt_number = a.attempt_number;
  stat.downloaded_size = a.downloaded_size;
  stat.total_size = a.total_size;
  stat.url = a.url;
  stat.redirect = a.redirect;
  stat.x64 = a.architecture == 1;
  stats->SendDownloadAttemptEvent(stat, cancelled);
  if (!a.success && !cancelled) stats->SendDownloadAttemptErrorEvent(a.attempt_number, a.error);
}

void OnModuleDownloaded(InstallStatSender* stats, const std::wstring& path,
                        int64_t download_micros) {
  stats->SetParam(installer_util::kStatNewVer,
                  base::Utf8ToWide(installer_util::GetFileVersionString(path)));
  stats->SetParam(installer_util::kStatInstallType, L"normal");
  stats->SendDownloadFinishedEvent(true, download_micros);
}

void OnArchiveLockFailed(InstallStatSender* stats) { stats->SendSetupArcLockErrorEvent(); }

void OnVerificationFailed(InstallStatSender* stats) { stats->SendVerificationErrorEvent(); }

void OnSetupLaunched(InstallStatSender* stats, bool elevated) {
  stats->SaveForSetup();
  stats->SendSetupLaunchedEvent(elevated);
}

void OnSetupFinished(InstallStatSender* stats, bool ok, int32_t exit_code, int64_t setup_micros,
                     bool elevated) {
  // A run that never got an exit code keeps the initial result 400.
  const bool started = ok || exit_code != 400;
  stats->SendSetupExitedEvent(started, ok, exit_code, setup_micros);
}

void SendWindowClick(InstallStatSender* stats, const char* button) {
  stats->SendClickedButtonEvent(base::Utf8ToWide(button));
}

std::wstring GetBrowserPresentParam(InstallStatSender* stats) {
  return stats->GetParam(installer_util::kStatBrowserPresent);
}

void ReportInstallationFinished(InstallStatSender* stats, bool success, bool cancelled,
                                int64_t total_micros, int64_t download_micros,
                                int64_t install_micros, HANDLE stop_event,
                                const std::function<bool(const std::wstring& url,
                                                         installer_util::DownloadSink* sink,
                                                         std::string* error,
                                                         std::wstring* redirect)>& download) {
  installer_util::InstallationSummary summary;
  summary.success = success;
  summary.cancelled = cancelled;
  summary.total_time_us = total_micros;
  summary.download_time_us = download_micros;
  summary.install_time_us = install_micros;
  summary.stop_event = stop_event;
  stats->ReportInstallationFinished(summary, download);
}

bool VerifyDownloadedModule(const std::wstring& path) {
  return installer_util::VerifyModuleWithEmbeddedTrust(path);
}

}  // namespace lite_installer
