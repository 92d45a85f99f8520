#include "installer/lite_installer/core/installer_events.h"

#include <windows.h>

#include <wininet.h>

#include <cmath>

#include "base/logging.h"
#include "base/strings.h"
#include "installer/lite_installer/config/brand_info.h"
#include "installer/lite_installer/config/distrib_info_params.h"
#include "installer/util/downloader.h"
#include "installer/util/file_version.h"
#include "installer/util/install_stat_sender.h"
#include "installer/util/registry.h"

namespace lite_installer {
namespace {

using installer_util::InstallStatSender;
using Event = InstallStatSender::Event;

std::wstring Decimal(int64_t v) { return std::to_wstring(v); }

std::wstring Seconds(int64_t micros) { return std::to_wstring(micros / 1000000); }

// Host name of a redirect target, for the attempt event.
std::wstring RedirectHost(const std::wstring& redirect) {
  if (redirect.empty()) return {};
  wchar_t canonical[INTERNET_MAX_URL_LENGTH];
  DWORD size = INTERNET_MAX_URL_LENGTH;
  std::wstring url = redirect;
  if (::InternetCanonicalizeUrlW(redirect.c_str(), canonical, &size, ICU_BROWSER_MODE))
    url.assign(canonical, size);
  wchar_t host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
  URL_COMPONENTSW parts = {sizeof(parts)};
  parts.lpszHostName = host;
  parts.dwHostNameLength = INTERNET_MAX_HOST_NAME_LENGTH;
  if (!::InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), ICU_DECODE, &parts))
    return {};
  return std::wstring(host, parts.dwHostNameLength);
}

// "100" when elevation prompts are off, else "1" or "0" for an elevated
// or normal launch.
std::wstring AreUACNotificationsEnabled(bool elevated) {
  HKEY key = nullptr;
  DWORD value = 0;
  DWORD size = sizeof(value);
  bool read = false;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", 0,
                      KEY_READ, &key) == ERROR_SUCCESS) {
    read = ::RegQueryValueExW(key, L"ConsentPromptBehaviorAdmin", nullptr, nullptr,
                              reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS;
    ::RegCloseKey(key);
  }
  LOG(INFO) << "ConsentPromptBehaviorAdmin " << (read ? std::to_string(value) : "unreadable");
  if (!read || value == 0) return L"100";
  return elevated ? L"1" : L"0";
}

std::wstring SetupAction(InstallStatSender* stats) {
  return stats->GetParam(InstallStatSender::kOldVersion).empty() ? L"setup" : L"update";
}

}  // namespace

std::unique_ptr<InstallStatSender> CreateInstallStatSender() {
  return std::make_unique<InstallStatSender>(InstallStatSender::kInstallerTypeLite,
                                             installer_util::ReadValue(L"install_stat"));
}

void SetIdentifierParams(InstallStatSender* stats, const BrandInfo* brand,
                         const DistribInfoParams* params) {
  if (brand) {
    stats->SetParam(InstallStatSender::kBrandId, base::Utf8ToWide(brand->brand_id));
    stats->SetParam(InstallStatSender::kPartnerId, base::Utf8ToWide(brand->partner_id));
    std::string ids;
    for (const std::string& id : brand->forced_test_ids) ids += (ids.empty() ? "" : "%3B") + id;
    stats->SetParam(InstallStatSender::kTestIds, base::Utf8ToWide(ids));
  } else {
    stats->SetParam(InstallStatSender::kBrandId, L"unknown");
    stats->SetParam(InstallStatSender::kPartnerId, L"unknown");
    stats->SetParam(InstallStatSender::kTestIds, L"");
  }
  if (params) {
    const struct {
      const char* key;
      InstallStatSender::ParamType type;
    } ids[] = {{"banerid", InstallStatSender::kBannerId},
               {"distr_kelmoruid", InstallStatSender::kDistrKelmorUid},
               {"kelmoruid", InstallStatSender::kKelmorUid}};
    for (const auto& id : ids)
      if (const auto value = params->Get(id.key)) stats->SetParam(id.type, base::Utf8ToWide(*value));
  }
}

void SendInstallerStartedEvent(InstallStatSender* stats) {
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  wchar_t resolution[32];
  swprintf(resolution, 32, L"%dx%d", ::GetSystemMetrics(SM_CXSCREEN),
           ::GetSystemMetrics(SM_CYSCREEN));
  stats->SendEvent({{"action", L"installer_started"},
                    {"dpi", Decimal(std::lround(dpi / 96.0 * 100))},
                    {"resolution", resolution}});
}

void OnDownloadStarted(InstallStatSender* stats) {
  stats->SendEvent({{"action", L"download"}, {"stage", L"started"}});
}

void OnDownloadAttempt(InstallStatSender* stats, const DownloadAttempt& a, bool cancelled) {
  if (cancelled) return;
  Event event = {{"action", L"download_attempt"},
                 {"status", a.success ? L"success" : L"failed"},
                 {"attempt_number", Decimal(a.attempt_number)},
                 {"downloaded_size", Decimal(static_cast<int64_t>(a.downloaded_size))},
                 {"total_size", Decimal(static_cast<int64_t>(a.total_size))},
                 {"url", base::Utf8ToWide(a.url)}};
  if (!a.success) event["error"] = base::Utf8ToWide(a.error);
  const std::wstring host = RedirectHost(a.redirect);
  if (!host.empty()) event["redirect"] = host;
  if (a.architecture == 1) event["x64"] = L"1";
  stats->SendEvent(event);
  if (!a.success) {
    stats->SendEvent({{"action", L"download"},
                      {"stage", L"error"},
                      {"error", L"attempt-" + Decimal(a.attempt_number) + L"-" +
                                    base::Utf8ToWide(a.error)}});
  }
}

void OnModuleDownloaded(InstallStatSender* stats, const std::wstring& path,
                        int64_t download_micros) {
  stats->SetParam(InstallStatSender::kNewVersion,
                  base::Utf8ToWide(installer_util::GetFileVersionString(path)));
  stats->SetParam(InstallStatSender::kInstallType, L"normal");
  stats->SendEvent(
      {{"action", L"download"}, {"stage", L"finished"}, {"download_time", Seconds(download_micros)}});
}

void OnArchiveLockFailed(InstallStatSender* stats) {
  stats->SendEvent({{"action", L"setup_arc_lock"}, {"stage", L"error"}});
}

void OnVerificationFailed(InstallStatSender* stats) {
  stats->SendEvent({{"action", L"verification"}, {"stage", L"error"}});
}

void OnSetupLaunched(InstallStatSender* stats, bool elevated) {
  stats->SaveForSetup();
  stats->SendEvent({{"action", SetupAction(stats)},
                    {"stage", L"setup_exe_launched"},
                    {"uac", AreUACNotificationsEnabled(elevated)}});
}

void OnSetupFinished(InstallStatSender* stats, bool ok, int32_t exit_code, int64_t setup_micros,
                     bool elevated) {
  Event event = {{"action", SetupAction(stats)},
                 {"stage", L"setup_exe_exited"},
                 {"setup_time", Seconds(setup_micros)}};
  if (!ok && exit_code == 400)
    event["error"] = L"FailedToStart";
  else if (exit_code != 0)
    event["error"] = Decimal(exit_code);
  stats->SendEvent(event);
}

void SendWindowClick(InstallStatSender* stats, const char* button) {
  stats->SendWindowEvent({{"clicked_button", base::Utf8ToWide(button)}});
}

std::wstring GetBrowserPresentParam(InstallStatSender* stats) {
  return stats->GetParam(InstallStatSender::kBrowserPresent);
}

void ReportInstallationFinished(InstallStatSender* stats, bool success, bool cancelled,
                                const std::string& user_id, int64_t total_micros,
                                int64_t download_micros, int64_t install_micros) {
  stats->ReportInstallationFinished(success, cancelled, user_id, total_micros, download_micros,
                                    install_micros);
}

bool PlainDownload(const std::wstring& url, installer_util::DownloadSink* sink,
                   std::string* error, std::wstring* redirect) {
  return installer_util::Download(url, sink, error, redirect);
}

}  // namespace lite_installer
