#include "installer/util/install_stat_sender.h"

#include <windows.h>

#include <shlwapi.h>

#include "base/files.h"
#include "base/logging.h"
#include "base/strings.h"
#include "build_config.h"
#include "installer/lite_installer/core/user_id.h"
#include "installer/util/async_request_sender.h"
#include "installer/util/downloader.h"
#include "installer/util/file_version.h"
#include "installer/util/registry.h"

namespace installer_util {
namespace {

const char* ParamKey(InstallStatSender::ParamType type) {
  switch (type) {
    case InstallStatSender::kBrandId: return "brand_id";
    case InstallStatSender::kPartnerId: return "partner_id";
    case InstallStatSender::kBannerId: return "banner_id";
    case InstallStatSender::kKelmorUid: return "kelmor_uid";
    case InstallStatSender::kDistrKelmorUid: return "distr_kelmor_uid";
    case InstallStatSender::kNewVersion: return "new_ver";
    case InstallStatSender::kOldVersion: return "old_ver";
    case InstallStatSender::kInstallType: return "install_type";
    case InstallStatSender::kNessa: return "nessa";
    case InstallStatSender::kCorporateInstaller: return "corporate_installer";
    case InstallStatSender::kBrowserPresent: return "browser_present";
    case InstallStatSender::kTestIds: return "testids";
    case InstallStatSender::kUpdateOrigin: return "update_origin";
  }
  return "";
}

std::wstring InstallerTypeName(int32_t type) {
  static const wchar_t* const kNames[] = {L"lite", L"full", L"updater", L"service",
                                          L"service_audit", L"browser_diagnostics"};
  if (type >= 0 && type < 6) return kNames[type];
  return std::to_wstring(type);
}

struct Channel {
  const wchar_t* cid;
  const wchar_t* path;
};
constexpr Channel kChannels[] = {{L"72992", L"extended_stat"},
                                 {L"72696", L"rorodaviz_reinstall_dialog"},
                                 {L"72696", L"rorodaviz_pf_migration"},
                                 {L"72924", L"zuvoz_window"}};

std::wstring Escape(const std::wstring& text) {
  wchar_t out[2084];
  DWORD size = 2084;
  if (FAILED(::UrlEscapeW(text.c_str(), out, &size, URL_ESCAPE_PERCENT))) return {};
  return std::wstring(out, size);
}

}  // namespace

std::wstring SanitizeStatText(std::wstring text) {
  for (wchar_t& c : text)
    if (c == L',' || c == L'-' || c == L'=') c = L'_';
  return text;
}

std::wstring ComputeLaunchedParam(const std::wstring& launch_command_line) {
  if (launch_command_line.size() < 3) return L"false";
  std::wstring name = launch_command_line;
  if (!name.empty() && name.front() == L'"') name.erase(0, 1);
  if (!name.empty() && name.back() == L'"') name.pop_back();
  for (wchar_t& c : name)
    if (c == L'\\') c = L'!';
  name = base::ToLowerAscii(name);
  HANDLE event = ::OpenEventW(SYNCHRONIZE, FALSE, (L"Global\\" + name).c_str());
  if (!event) return L"false";
  ::CloseHandle(event);
  return L"true";
}

InstallStatSender::InstallStatSender(int32_t installer_type, const std::wstring& install_stat,
                                     std::unique_ptr<AsyncRequestSender> sender)
    : installer_type_(installer_type), sender_(std::move(sender)) {
  if (!sender_) sender_ = std::make_unique<AsyncRequestSender>();
  if (!install_stat.empty()) {
    size_t start = 0;
    std::wstring key;
    bool have_key = false;
    while (start <= install_stat.size()) {
      size_t end = install_stat.find(L'\n', start);
      if (end == std::wstring::npos) end = install_stat.size();
      const std::wstring line = install_stat.substr(start, end - start);
      if (!have_key) {
        key = line;
        have_key = true;
      } else {
        if (!key.empty()) params_[base::WideToUtf8(key)] = line;
        have_key = false;
      }
      start = end + 1;
    }
  }
  params_["launched"] = ComputeLaunchedParam(ReadValue(L"InstallerSuccessLaunchCmdLine"));
  std::string uid = lite_installer::GetUserId();
  if (uid.size() >= 2 && uid.front() == '{' && uid.back() == '}') uid = uid.substr(1, uid.size() - 2);
  params_["ui"] = base::Utf8ToWide(uid);
  if (!params_.count("old_ver")) {
    std::wstring old = ReadValue(L"kpv");
    if (old.empty()) old = ReadValue(L"pv");
    params_["old_ver"] = old;
  }
  params_["lite_ver"] = base::Utf8ToWide(GetFileVersionString(base::GetModulePath()));
  params_["installer_type"] = InstallerTypeName(installer_type_);
}

InstallStatSender::~InstallStatSender() {
  sender_.reset();
  if (installer_type_ < kInstallerTypeUpdater) RemoveValue(L"install_stat");
}

void InstallStatSender::SetParam(ParamType type, const std::wstring& value) {
  if (type == kOldVersion) return;  // no setter
  params_[ParamKey(type)] = value;
}

std::wstring InstallStatSender::GetParam(ParamType type) const {
  if (type != kBrowserPresent && type != kOldVersion) return {};
  const auto it = params_.find(ParamKey(type));
  return it == params_.end() ? std::wstring() : it->second;
}

std::wstring InstallStatSender::GetQueryUrl(const Event& event, int32_t channel) const {
  std::map<std::string, std::wstring> all = params_;
  for (const auto& [key, value] : event) all.emplace(key, value);
  all["old_style"] = L"0";
  all.emplace("brand_id", L"unknown");
  std::string listing = "InstallStatSender::Send:";
  for (const auto& [key, value] : all) listing += "\n" + key + "=" + base::WideToUtf8(value);
  LOG(INFO) << listing;
  std::wstring vars;
  for (const auto& [key, value] : all) {
    if (!vars.empty()) vars += L",";
    vars += L"-" + Escape(SanitizeStatText(base::Utf8ToWide(key))) + L"=" +
            Escape(SanitizeStatText(value));
  }
  const Channel& c = kChannels[channel >= 0 && channel < 4 ? channel : 0];
  std::wstring url = base::Utf8ToWide(KELMOR_API_HOST) +
                     L"/installstats/send/dtype=stred/pid=457/cid=" + c.cid + L"/path=" + c.path;
  if (!vars.empty()) url += L"/vars=" + vars;
  return url + L"/*";
}

bool InstallStatSender::SendEvent(const Event& event) {
  return sender_->Send(GetQueryUrl(event, channel_));
}

void InstallStatSender::SendWindowEvent(const Event& event) {
  Event window_event = event;
  window_event.emplace("dialog_window", L"liteinstall");
  channel_ = 1;
  SendEvent(window_event);
  channel_ = 0;
}

void InstallStatSender::SaveForSetup() {
  std::wstring text;
  for (const auto& [key, value] : params_) text += base::Utf8ToWide(key) + L"\n" + value + L"\n";
  StoreValue(L"install_stat", text);
}

void InstallStatSender::ReportInstallationFinished(bool success, bool cancelled,
                                                   const std::string& user_id,
                                                   int64_t total_micros, int64_t download_micros,
                                                   int64_t install_micros) {
  const char* result = cancelled ? "cancelled" : (success ? "success" : "failed");
  std::string url = std::string(KELMOR_STAT_HOST) + "/get/browser/install?ui=" + user_id +
                    "&result=" + result + "&time=" + std::to_string(total_micros / 1000000);
  if (download_micros != 0)
    url += "&download_time=" + std::to_string(download_micros / 1000000);
  if (install_micros != 0)
    url += "&install_time=" + std::to_string(install_micros / 1000000);
  StringSink sink;
  std::string error;
  std::wstring redirect;
  if (!Download(base::Utf8ToWide(url), &sink, &error, &redirect))
    LOG(WARNING) << "Cannot report installation status: " << error;
}

}  // namespace installer_util
