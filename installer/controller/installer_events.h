// The installer controller's links to statistics, verification and the
// remote configuration tasks: every statistics event the installation
// raises is built here.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace installer_util {
class DownloadSink;
class InstallStatSender;
}  // namespace installer_util

namespace lite_installer {

class AsyncInstallTasks;
class BrandInfo;
class DistribInfoParams;
class InstallerCommandLine;

std::unique_ptr<installer_util::InstallStatSender> CreateInstallStatSender(
    const std::string& user_id);
void SetIdentifierParams(installer_util::InstallStatSender* stats, const BrandInfo* brand,
                         const DistribInfoParams* params);
void SendInstallerStartedEvent(installer_util::InstallStatSender* stats);
void OnDownloadStarted(installer_util::InstallStatSender* stats);

struct DownloadAttempt {
  bool success;
  std::string url;
  int attempt_number;
  uint64_t downloaded_size;
  uint64_t total_size;
  std::string error;
  std::wstring redirect;
  int architecture;
};
void OnDownloadAttempt(installer_util::InstallStatSender* stats, const DownloadAttempt& attempt,
                       bool cancelled);
void OnModuleDownloaded(installer_util::InstallStatSender* stats, const std::wstring& path,
                        int64_t download_micros);
void OnArchiveLockFailed(installer_util::InstallStatSender* stats);
void OnVerificationFailed(installer_util::InstallStatSender* stats);
void OnSetupLaunched(installer_util::InstallStatSender* stats, bool elevated);
void OnSetupFinished(installer_util::InstallStatSender* stats, bool started_and_ok,
                     int32_t exit_code, int64_t setup_micros, bool elevated);
void SendWindowClick(installer_util::InstallStatSender* stats, const char* button);
std::wstring GetBrowserPresentParam(installer_util::InstallStatSender* stats);
void ReportInstallationFinished(installer_util::InstallStatSender* stats, bool success,
                                bool cancelled, int64_t total_micros, int64_t download_micros,
                                int64_t install_micros, HANDLE stop_event,
                                const std::function<bool(const std::wstring& url,
                                                         installer_util::DownloadSink* sink,
                                                         std::string* error,
                                                         std::wstring* redirect)>& download);

// The archive's signatures and trusted-signer resources.
bool VerifyDownloadedModule(const std::wstring& path);

}  // namespace lite_installer
