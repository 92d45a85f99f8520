// Installation statistics: the persistent parameters that every event
// carries, the events as fire-and-forget GET requests to the browser API
// host, the parameters left for setup in the registry value "install_stat",
// and the summary request to the statistics host at the very end.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "installer/util/async_request_sender.h"

namespace installer_util {

class DownloadSink;

// One event, or the parameter set: narrow key to wide value, keys in byte
// order.
using StatEvent = std::map<std::string, std::wstring>;

// Parameter types of SetParam and GetParam.
enum StatParam : int32_t {
  kStatBrandId = 0,
  kStatPartnerId = 1,
  kStatBannerId = 2,
  kStatKelmorUid = 3,
  kStatDistrKelmorUid = 4,
  kStatNewVer = 5,
  kStatOldVer = 6,  // getter only
  kStatInstallType = 7,
  kStatNessa = 8,
  kStatCorporateInstaller = 9,
  kStatBrowserPresent = 10,
  kStatTestIds = 11,
  kStatUpdateOrigin = 12,
};

// Report channels: cid and path of the event URL.
enum StatChannel : int32_t {
  kStatChannelExtended = 0,          // all events
  kStatChannelReinstallDialog = 1,   // window events
  kStatChannelPfMigration = 2,
  kStatChannelWindow = 3,
};

// Installer types: 0 "lite" (this installer), 1 "full", 2 "updater",
// 3 "service", 4 "service_audit", 5 "browser_diagnostics".
constexpr int32_t kInstallerTypeLite = 0;

// The key of a parameter type; nullptr for a type without a setter or
// getter.
const char* StatParamKey(int32_t type);
// "lite" ... "browser_diagnostics", else the decimal number.
std::string InstallerTypeName(int32_t type);

// The name of the event that tells whether a setup run launched by an
// earlier installer is alive: the registry value without one leading and
// one trailing double quote, "\" replaced by "!", lower-cased, after
// "Global\". Empty for a value shorter than three characters.
std::wstring LaunchEventName(const std::wstring& launch_command_line);

// URL-escaped text (UrlEscapeW: "%" and unsafe characters, and "/", "?"
// and "#" too), at most 2084 characters; empty when escaping fails.
std::wstring EscapeUrlText(const std::wstring& text);
// One key's or value's text in the event URL: ",", "-" and "=" become "_",
// then the text is escaped as above.
std::wstring EscapeStatText(const std::wstring& text);

// The host name of a redirect target for the download-attempt event
// (canonicalised, then split with decoding); empty when it cannot be told.
std::wstring RedirectHostForStats(const std::wstring& redirect_url);

// Whether UAC prompts are on: the machine policy ConsentPromptBehaviorAdmin
// is readable and not 0.
bool AreUACNotificationsEnabled();

// What one setup-download attempt reports.
struct DownloadAttemptStat {
  bool success = false;
  std::string error;        // the download error code
  int attempt_number = 0;   // 1-based
  uint64_t downloaded_size = 0;
  uint64_t total_size = 0;
  std::string url;
  std::wstring redirect;    // the redirect URL, when there was one
  bool x64 = false;         // the 64-bit setup was requested
};

// The end of the installation, for the summary request.
struct InstallationSummary {
  bool success = false;
  bool cancelled = false;
  // Signed microseconds of the monotonic clock; sent as whole seconds.
  int64_t total_time_us = 0;
  int64_t download_time_us = 0;
  int64_t install_time_us = 0;
  // Stops the summary download (optional). The installer's own stop event
  // is set when the user cancels, so passing it suppresses the
  // "cancelled" report; leave it empty to report a cancel too.
  HANDLE stop_event = nullptr;
};

class InstallStatSender {
 public:
  // `install_stat_text` is the registry value "install_stat" as read (the
  // parameters of an earlier run), `user_id` the installation's user id
  // (braces are dropped). `sender` replaces the request sender (tests).
  InstallStatSender(int32_t installer_type, const std::wstring& install_stat_text,
                    const std::string& user_id,
                    std::unique_ptr<AsyncRequestSender> sender = nullptr);
  InstallStatSender(const InstallStatSender&) = delete;
  InstallStatSender& operator=(const InstallStatSender&) = delete;
  // The request sender goes first (it finishes the request in flight), then
  // the registry value "install_stat" is removed for installer types below 2.
  virtual ~InstallStatSender();

  // Inserts or overwrites. A type without a setter is ignored (and logged).
  void SetParam(int32_t type, const std::wstring& value);
  // Types 6 (old_ver) and 10 (browser_present); "" for any other.
  std::wstring GetParam(int32_t type) const;
  // A copy: events may be built on other threads meanwhile.
  StatEvent params() const;

  // Builds the URL on channel 0 and queues it; false only when the sender's
  // thread cannot be started. Safe from several threads at once: each event
  // carries its own channel.
  bool SendEvent(const StatEvent& event);
  // The same on channel 1 (window events).
  bool SendWindowEvent(const StatEvent& event);
  // The event URL: the parameters merged with the event's fields (a
  // parameter wins), "old_style" and a default "brand_id". Logs the list.
  std::wstring GetQueryUrl(const StatEvent& event, int32_t channel) const;

  // Waits until the queued events have gone out; false on time-out.
  bool WaitForPendingEvents(DWORD timeout_ms) { return sender_->WaitForIdle(timeout_ms); }

  // Leaves the parameters for setup in the registry value "install_stat":
  // key "\n" value "\n" for each, in key order.
  bool SaveForSetup() const;

  // ---- the events of the installation

  // `dpi`: round(scale factor x 100); the primary screen's size.
  bool SendInstallerStartedEvent(int dpi, int screen_width, int screen_height);
  bool SendDownloadStartedEvent();
  // Not sent once the installation has been cancelled.
  bool SendDownloadAttemptEvent(const DownloadAttemptStat& attempt, bool cancelled);
  // After a failed attempt: stage "error", error "attempt-<n>-<code>".
  bool SendDownloadAttemptErrorEvent(int attempt_number, const std::string& error);
  // download_time (whole seconds) only on success.
  bool SendDownloadFinishedEvent(bool success, int64_t download_time_us);
  bool SendSetupArcLockErrorEvent();
  bool SendVerificationErrorEvent();
  // uac "100" when UAC prompts are off, else "1" (elevated) or "0".
  bool SendSetupLaunchedEvent(bool elevated);
  // `error`: the exit code when not `success`, "FailedToStart" when setup
  // could not be started.
  bool SendSetupExitedEvent(bool started, bool success, int32_t exit_code, int64_t setup_time_us);
  bool SendInstallButtonClickedEvent(bool make_default, bool send_statistics);
  // Window events (channel 1, dialog_window "liteinstall").
  bool SendClickedButtonEvent(const std::wstring& button);
  bool SendClickedLinkEvent(const std::wstring& link);
  bool SendChosenCheckboxEvent(const std::wstring& checkbox);

  // ---- the summary

  std::wstring GetInstallationFinishedUrl(const InstallationSummary& summary) const;
  // A plain download of the summary URL into a memory sink (replaceable:
  // the controller passes its own download operation).
  using SummaryDownload = std::function<bool(const std::wstring& url, DownloadSink* sink,
                                             std::string* error, std::wstring* redirect)>;
  // On the caller's thread; logs "Cannot report installation status: " and
  // the error code on failure.
  bool ReportInstallationFinished(const InstallationSummary& summary,
                                  const SummaryDownload& download = {});

 private:
  // "update" when old_ver is set, else "setup".
  std::wstring SetupAction() const;
  bool Queue(const StatEvent& event, int32_t channel);

  int32_t mode_name_index_ = 0;
  int32_t installer_type_;
  // Set from the install thread while the window thread builds its events.
  mutable SRWLOCK params_lock_ = SRWLOCK_INIT;
  StatEvent params_;  // under params_lock_ once the constructor is done
  std::unique_ptr<AsyncRequestSender> sender_;
};

}  // namespace installer_util
