#include "installer/util/install_stat_sender.h"

#include <windows.h>
#include <shlwapi.h>
#include <wininet.h>

#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

#include "base/files.h"
#include "base/logging.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "build_config.h"
#include "installer/util/downloader.h"
#include "installer/util/file_version.h"
#include "installer/util/registry.h"

namespace installer_util {
namespace {

constexpr wchar_t kInstallStatValue[] = L"install_stat";
constexpr wchar_t kLaunchCommandLineValue[] = L"InstallerSuccessLaunchCmdLine";
constexpr size_t kMaxEscapedLength = 2084;
// The statistics host answers the summary with a short acknowledgement
// that nothing reads; it is held in memory, so a longer answer is refused.
constexpr uint64_t kMaxSummaryResponseBytes = 64 * 1024;

struct ChannelTarget {
  const char* cid;
  const char* path;
};

constexpr ChannelTarget kChannels[] = {
    {"72992", "extended_stat"},
    {"72696", "rorodaviz_reinstall_dialog"},
    {"72696", "rorodaviz_pf_migration"},
    {"72924", "zuvoz_window"},
};

std::wstring Number(long long value) { return std::to_wstring(value); }

// Whole seconds, truncated toward zero.
long long Seconds(int64_t micros) { return static_cast<long long>(micros / 1000000); }

std::wstring StripBraces(const std::string& id) {
  std::string_view v(id);
  if (v.size() >= 2 && v.front() == '{' && v.back() == '}') v = v.substr(1, v.size() - 2);
  return base::AsciiToWide(v);
}

std::wstring ReadLaunchedFlag() {
  const std::wstring name = LaunchEventName(ReadValue(kLaunchCommandLineValue));
  if (name.empty()) return L"false";
  base::ScopedHandle event(::OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
  return event.is_valid() ? L"true" : L"false";
}

}  // namespace

const char* StatParamKey(int32_t type) {
  switch (type) {
    case kStatBrandId: return "brand_id";
    case kStatPartnerId: return "partner_id";
    case kStatBannerId: return "banner_id";
    case kStatKelmorUid: return "kelmor_uid";
    case kStatDistrKelmorUid: return "distr_kelmor_uid";
    case kStatNewVer: return "new_ver";
    case kStatOldVer: return "old_ver";
    case kStatInstallType: return "install_type";
    case kStatNessa: return "nessa";
    case kStatCorporateInstaller: return "corporate_installer";
    case kStatBrowserPresent: return "browser_present";
    case kStatTestIds: return "testids";
    case kStatUpdateOrigin: return "update_origin";
    default: return nullptr;
  }
}

std::string InstallerTypeName(int32_t type) {
  static const char* const kNames[] = {"lite", "full", "updater", "service", "service_audit",
                                       "browser_diagnostics"};
  if (type >= 0 && type < static_cast<int32_t>(std::size(kNames))) return kNames[type];
  return std::to_string(type);
}

std::wstring LaunchEventName(const std::wstring& value) {
  if (value.size() < 3) return {};
  std::wstring text = value;
  if (!text.empty() && text.front() == L'"') text.erase(0, 1);
  if (!text.empty() && text.back() == L'"') text.pop_back();
  for (auto& c : text)
    if (c == L'\\') c = L'!';
  return L"Global\\" + base::ToLowerAscii(std::wstring_view(text));
}

std::wstring EscapeUrlText(const std::wstring& text) {
  // Segment-only escaping also escapes "/", "?" and "#", so that no value
  // can end the path segment or start a query or fragment.
  wchar_t buffer[kMaxEscapedLength + 1];
  DWORD length = kMaxEscapedLength;
  if (FAILED(::UrlEscapeW(text.c_str(), buffer, &length,
                          URL_ESCAPE_PERCENT | URL_ESCAPE_SEGMENT_ONLY)))
    return {};
  return std::wstring(buffer, length);
}

std::wstring EscapeStatText(const std::wstring& text) {
  std::wstring plain = text;
  for (auto& c : plain)
    if (c == L',' || c == L'-' || c == L'=') c = L'_';
  return EscapeUrlText(plain);
}

std::wstring RedirectHostForStats(const std::wstring& redirect_url) {
  if (redirect_url.empty()) return {};
  std::wstring canonical(INTERNET_MAX_URL_LENGTH + 1, L'\0');
  DWORD length = static_cast<DWORD>(canonical.size());
  if (!::InternetCanonicalizeUrlW(redirect_url.c_str(), canonical.data(), &length,
                                  ICU_BROWSER_MODE))
    return {};
  canonical.resize(length);
  wchar_t host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
  URL_COMPONENTSW parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = host;
  parts.dwHostNameLength = INTERNET_MAX_HOST_NAME_LENGTH + 1;
  if (!::InternetCrackUrlW(canonical.c_str(), 0, ICU_DECODE, &parts)) return {};
  return std::wstring(host, parts.dwHostNameLength);
}

bool AreUACNotificationsEnabled() {
  base::ScopedRegKey key;
  DWORD value = 0;
  DWORD size = sizeof(value);
  DWORD type = 0;
  LONG result = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                                L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                                0, KEY_READ, key.receive());
  if (result == ERROR_SUCCESS)
    result = ::RegQueryValueExW(key.get(), L"ConsentPromptBehaviorAdmin", nullptr, &type,
                                reinterpret_cast<BYTE*>(&value), &size);
  if (result != ERROR_SUCCESS || type != REG_DWORD) {
    PLOG(WARNING, static_cast<DWORD>(result)) << "Cannot read ConsentPromptBehaviorAdmin";
    return false;
  }
  LOG(INFO) << "ConsentPromptBehaviorAdmin = " << value;
  return value != 0;
}

// ---------------------------------------------------------------- sender

InstallStatSender::InstallStatSender(int32_t installer_type, const std::wstring& install_stat_text,
                                     const std::string& user_id,
                                     std::unique_ptr<AsyncRequestSender> sender)
    : installer_type_(installer_type),
      sender_(sender ? std::move(sender) : std::make_unique<AsyncRequestSender>()) {
  // Parameters left by an earlier run: alternating key and value lines.
  if (!install_stat_text.empty()) {
    size_t pos = 0;
    std::vector<std::wstring> lines;
    while (pos <= install_stat_text.size()) {
      const size_t end = install_stat_text.find(L'\n', pos);
      if (end == std::wstring::npos) {
        if (pos < install_stat_text.size()) lines.push_back(install_stat_text.substr(pos));
        break;
      }
      lines.push_back(install_stat_text.substr(pos, end - pos));
      pos = end + 1;
    }
    for (size_t i = 0; i + 1 < lines.size(); i += 2)
      if (!lines[i].empty()) params_[base::WideToUtf8(lines[i])] = lines[i + 1];
  }
  params_["launched"] = ReadLaunchedFlag();
  params_["ui"] = StripBraces(user_id);
  if (params_.find("old_ver") == params_.end()) {
    std::wstring old_version = ReadValue(L"kpv");
    if (old_version.empty()) old_version = ReadValue(L"pv");
    params_["old_ver"] = old_version;
  }
  params_["lite_ver"] = base::AsciiToWide(GetFileVersionString(base::GetModulePath()));
  params_["installer_type"] = base::AsciiToWide(InstallerTypeName(installer_type_));
}

InstallStatSender::~InstallStatSender() {
  sender_.reset();
  if (installer_type_ < 2) RemoveValue(kInstallStatValue);
}

void InstallStatSender::SetParam(int32_t type, const std::wstring& value) {
  const char* key = StatParamKey(type);
  if (!key || type == kStatOldVer) {
    LOG(ERROR) << "No statistics parameter of type " << type;
    return;
  }
  base::ScopedExclusiveLock hold(&params_lock_);
  params_[key] = value;
}

StatEvent InstallStatSender::params() const {
  base::ScopedExclusiveLock hold(&params_lock_);
  return params_;
}

std::wstring InstallStatSender::GetParam(int32_t type) const {
  if (type != kStatOldVer && type != kStatBrowserPresent) {
    LOG(ERROR) << "No statistics getter of type " << type;
    return {};
  }
  base::ScopedExclusiveLock hold(&params_lock_);
  const auto it = params_.find(StatParamKey(type));
  return it == params_.end() ? std::wstring() : it->second;
}

std::wstring InstallStatSender::GetQueryUrl(const StatEvent& event, int32_t channel) const {
  StatEvent merged = params();
  for (const auto& [key, value] : event) merged.emplace(key, value);
  merged["old_style"] = L"0";
  if (mode_name_index_ != 0 && installer_type_ == -1)
    merged["target"] = base::AsciiToWide(std::to_string(mode_name_index_));
  merged.emplace("brand_id", L"unknown");

  {
    base::LogMessage log(base::LOG_INFO, "GetQueryUrl", __LINE__);
    log.stream() << "InstallStatSender::Send:";
    for (const auto& [key, value] : merged) log.stream() << "\n" << key << "=" << value;
  }

  std::wstring list;
  for (const auto& [key, value] : merged) {
    if (!list.empty()) list += L',';
    list += L'-';
    list += EscapeStatText(base::Utf8ToWide(key));
    list += L'=';
    list += EscapeStatText(value);
  }
  if (channel < 0 || channel >= static_cast<int32_t>(std::size(kChannels))) {
    LOG(ERROR) << "Unknown statistics channel " << channel;
    channel = kStatChannelExtended;
  }
  std::wstring url = base::AsciiToWide(KELMOR_API_HOST);
  url += L"/installstats/send/dtype=stred/pid=457/cid=";
  url += base::AsciiToWide(kChannels[channel].cid);
  url += L"/path=";
  url += base::AsciiToWide(kChannels[channel].path);
  if (!list.empty()) url += L"/vars=" + list;
  url += L"/*";
  return url;
}

bool InstallStatSender::Queue(const StatEvent& event, int32_t channel) {
  return sender_->Send(GetQueryUrl(event, channel));
}

// The channel travels with each event: the window thread and the install
// thread send at the same time, and neither may give the other its cid or
// path.
bool InstallStatSender::SendEvent(const StatEvent& event) {
  return Queue(event, kStatChannelExtended);
}

bool InstallStatSender::SendWindowEvent(const StatEvent& event) {
  return Queue(event, kStatChannelReinstallDialog);
}

bool InstallStatSender::SaveForSetup() const {
  std::wstring text;
  for (const auto& [key, value] : params()) {
    text += base::Utf8ToWide(key);
    text += L'\n';
    text += value;
    text += L'\n';
  }
  StoreValue(kInstallStatValue, text);
  std::wstring check;
  return ReadValueFromRegistry(GetInstallerRegistryKey(), kInstallStatValue, &check) &&
         check == text;
}

// ---------------------------------------------------------------- events

std::wstring InstallStatSender::SetupAction() const {
  return !GetParam(kStatOldVer).empty() ? L"update" : L"setup";
}

bool InstallStatSender::SendInstallerStartedEvent(int dpi, int screen_width, int screen_height) {
  wchar_t resolution[32];
  swprintf(resolution, 32, L"%dx%d", screen_width, screen_height);
  return SendEvent({{"action", L"installer_started"}, {"dpi", Number(dpi)}, {"resolution", resolution}});
}

bool InstallStatSender::SendDownloadStartedEvent() {
  return SendEvent({{"action", L"download"}, {"stage", L"started"}});
}

bool InstallStatSender::SendDownloadAttemptEvent(const DownloadAttemptStat& a, bool cancelled) {
  if (cancelled) return true;
  StatEvent e = {{"action", L"download_attempt"},
                 {"status", a.success ? L"success" : L"failed"},
                 {"attempt_number", Number(a.attempt_number)},
                 {"downloaded_size", Number(static_cast<long long>(a.downloaded_size))},
                 {"total_size", Number(static_cast<long long>(a.total_size))},
                 {"url", base::AsciiToWide(a.url)}};
  if (!a.success) e["error"] = base::AsciiToWide(a.error);
  if (!a.redirect.empty()) {
    const std::wstring host = RedirectHostForStats(a.redirect);
    if (!host.empty()) e["redirect"] = host;
  }
  if (a.x64) e["x64"] = L"1";
  return SendEvent(e);
}

bool InstallStatSender::SendDownloadAttemptErrorEvent(int attempt_number, const std::string& error) {
  return SendEvent({{"action", L"download"},
                    {"stage", L"error"},
                    {"error", L"attempt-" + Number(attempt_number) + L"-" + base::AsciiToWide(error)}});
}

bool InstallStatSender::SendDownloadFinishedEvent(bool success, int64_t download_time_us) {
  StatEvent e = {{"action", L"download"}, {"stage", L"finished"}};
  if (success) e["download_time"] = Number(Seconds(download_time_us));
  return SendEvent(e);
}

bool InstallStatSender::SendSetupArcLockErrorEvent() {
  return SendEvent({{"action", L"setup_arc_lock"}, {"stage", L"error"}});
}

bool InstallStatSender::SendVerificationErrorEvent() {
  return SendEvent({{"action", L"verification"}, {"stage", L"error"}});
}

bool InstallStatSender::SendSetupLaunchedEvent(bool elevated) {
  const std::wstring uac = !AreUACNotificationsEnabled() ? L"100" : elevated ? L"1" : L"0";
  return SendEvent({{"action", SetupAction()}, {"stage", L"setup_exe_launched"}, {"uac", uac}});
}

bool InstallStatSender::SendSetupExitedEvent(bool started, bool success, int32_t exit_code,
                                             int64_t setup_time_us) {
  StatEvent e = {{"action", SetupAction()},
                 {"stage", L"setup_exe_exited"},
                 {"setup_time", Number(Seconds(setup_time_us))}};
  if (!started)
    e["error"] = L"FailedToStart";
  else if (!success)
    e["error"] = Number(exit_code);
  return SendEvent(e);
}

bool InstallStatSender::SendInstallButtonClickedEvent(bool make_default, bool send_statistics) {
  return SendEvent({{"action", L"install_browser_button_clicked"},
                    {"checkbox_default", make_default ? L"1" : L"0"},
                    {"checkbox_sendstat", send_statistics ? L"1" : L"0"}});
}

bool InstallStatSender::SendClickedButtonEvent(const std::wstring& button) {
  return SendWindowEvent({{"dialog_window", L"liteinstall"}, {"clicked_button", button}});
}

bool InstallStatSender::SendClickedLinkEvent(const std::wstring& link) {
  return SendWindowEvent({{"dialog_window", L"liteinstall"}, {"clicked_link", link}});
}

bool InstallStatSender::SendChosenCheckboxEvent(const std::wstring& checkbox) {
  return SendWindowEvent({{"dialog_window", L"liteinstall"}, {"chosen_checkbox", checkbox}});
}

// ---------------------------------------------------------------- summary

std::wstring InstallStatSender::GetInstallationFinishedUrl(const InstallationSummary& s) const {
  const StatEvent params = this->params();
  const auto ui = params.find("ui");
  std::wstring url = base::AsciiToWide(KELMOR_STAT_HOST);
  url += L"/get/browser/install?ui=";
  url += ui == params.end() ? L"" : EscapeUrlText(ui->second);
  url += L"&result=";
  url += s.cancelled ? L"cancelled" : s.success ? L"success" : L"failed";
  url += L"&time=" + Number(Seconds(s.total_time_us));
  if (s.download_time_us != 0) url += L"&download_time=" + Number(Seconds(s.download_time_us));
  if (s.install_time_us != 0) url += L"&install_time=" + Number(Seconds(s.install_time_us));
  return url;
}

bool InstallStatSender::ReportInstallationFinished(const InstallationSummary& summary,
                                                   const SummaryDownload& download) {
  const std::wstring url = GetInstallationFinishedUrl(summary);
  StringSink sink(kMaxSummaryResponseBytes);
  std::string error;
  std::wstring redirect;
  const bool ok = download ? download(url, &sink, &error, &redirect)
                           : Download(url, &sink, &error, &redirect, summary.stop_event);
  if (!ok) LOG(WARNING) << "Cannot report installation status: " << error;
  return ok;
}

}  // namespace installer_util
