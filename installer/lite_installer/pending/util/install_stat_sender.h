// Installation statistics: persistent parameters carried by every event,
// events sent as fire-and-forget requests, and the summary report.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace installer_util {

class AsyncRequestSender;

class InstallStatSender {
 public:
  using Event = std::map<std::string, std::wstring>;

  enum InstallerType : int32_t {
    kInstallerTypeLite = 0,
    kInstallerTypeFull = 1,
    kInstallerTypeUpdater = 2,
    kInstallerTypeService = 3,
    kInstallerTypeServiceAudit = 4,
    kInstallerTypeBrowserDiagnostics = 5,
  };
  enum ParamType : int32_t {
    kBrandId = 0,
    kPartnerId = 1,
    kBannerId = 2,
    kKelmorUid = 3,
    kDistrKelmorUid = 4,
    kNewVersion = 5,
    kOldVersion = 6,  // getter only
    kInstallType = 7,
    kNessa = 8,
    kCorporateInstaller = 9,
    kBrowserPresent = 10,
    kTestIds = 11,
    kUpdateOrigin = 12,
  };

  // `install_stat` is the text of the registry value "install_stat".
  InstallStatSender(int32_t installer_type, const std::wstring& install_stat,
                    std::unique_ptr<AsyncRequestSender> sender = nullptr);
  InstallStatSender(const InstallStatSender&) = delete;
  InstallStatSender& operator=(const InstallStatSender&) = delete;
  virtual ~InstallStatSender();

  void SetParam(ParamType type, const std::wstring& value);
  std::wstring GetParam(ParamType type) const;
  bool SendEvent(const Event& event);
  void SendWindowEvent(const Event& event);
  void SaveForSetup();
  void ReportInstallationFinished(bool success, bool cancelled, const std::string& user_id,
                                  int64_t total_micros, int64_t download_micros,
                                  int64_t install_micros);

  // The request URL of an event on a channel (0 all events, 1 window events).
  std::wstring GetQueryUrl(const Event& event, int32_t channel) const;
  const std::map<std::string, std::wstring>& params() const { return params_; }

 private:
  int32_t mode_name_index_ = 0;
  int32_t installer_type_;
  std::map<std::string, std::wstring> params_;
  int32_t channel_ = 0;
  std::unique_ptr<AsyncRequestSender> sender_;
};

// "true" when the browser that setup launched is running (its named event
// exists), else "false".
std::wstring ComputeLaunchedParam(const std::wstring& launch_command_line);
// "," "-" "=" become "_".
std::wstring SanitizeStatText(std::wstring text);

}  // namespace installer_util
