// The controller's outside world: the download client, the verifier, the
// clock and the pauses, process start and the statistics sender. The
// product's ports (ProductControllerPorts) do the real thing; unit tests
// hand the controller ports of their own.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/process.h"

namespace installer_util {
class DownloadProgressObserver;
class DownloadSink;
class InstallStatSender;
struct DownloadFailureInfo;
}  // namespace installer_util

namespace lite_installer {

class ElevatedRunner;

// A started process, seen by the one who waits for it.
class StartedProcess {
 public:
  virtual ~StartedProcess() = default;
  virtual DWORD id() const = 0;
  // Waits for the end; false when the wait failed (last error set).
  virtual bool Wait() = 0;
  // False when there is no exit code (last error set).
  virtual bool GetExitCode(DWORD* code) = 0;
};

class ControllerPorts {
 public:
  virtual ~ControllerPorts() = default;

  // The statistics sender of the run.
  virtual std::unique_ptr<installer_util::InstallStatSender> CreateStatSender(
      const std::string& user_id) = 0;
  // One attempt of the setup archive download into `sink` (resumes after
  // the sink's bytes).
  virtual bool DownloadArchive(const std::wstring& url, installer_util::DownloadSink* sink,
                               std::string* error, std::wstring* redirect,
                               uint32_t* content_length, HANDLE stop_event,
                               installer_util::DownloadProgressObserver* observer,
                               installer_util::DownloadFailureInfo* failure) = 0;
  // One plain download (the installation summary), stopped by `stop_event`.
  virtual bool DownloadPlain(const std::wstring& url, installer_util::DownloadSink* sink,
                             std::string* error, std::wstring* redirect, HANDLE stop_event) = 0;
  // The archive's signatures and trusted-signer resources.
  virtual bool VerifyModule(const std::wstring& path) = 0;
  // Monotonic microseconds.
  virtual uint64_t NowMicros() = 0;
  // The pause between two download attempts; ends early when `stop` is set.
  virtual void PauseBetweenAttempts(const base::WaitableEvent& stop) = 0;
  // Starts setup; empty with the system error in `error` when it cannot.
  virtual std::unique_ptr<StartedProcess> StartProcess(const wchar_t* application,
                                                       const std::wstring& command_line,
                                                       DWORD* error) = 0;
  // Starts the elevated instance through the shell ("runas"); on success
  // `info->hProcess` is the instance, otherwise `info->hInstApp` says why.
  virtual bool StartElevatedInstance(SHELLEXECUTEINFOW* info) = 0;
  // Releases the elevated instance and waits for it or for `stop_event`;
  // true when it ended with 0. `exit_code` receives the instance's code.
  virtual bool RunElevated(ElevatedRunner* runner, HANDLE stop_event, int32_t* exit_code) = 0;
};

// The real download client, verifier, clock, pause (15 seconds; test
// builds: hook DOWNLOAD_PAUSE_MS), CreateProcess (test builds: hook
// CREATE_PROCESS_ERROR), shell and statistics sender.
class ProductControllerPorts : public ControllerPorts {
 public:
  std::unique_ptr<installer_util::InstallStatSender> CreateStatSender(
      const std::string& user_id) override;
  bool DownloadArchive(const std::wstring& url, installer_util::DownloadSink* sink,
                       std::string* error, std::wstring* redirect, uint32_t* content_length,
                       HANDLE stop_event, installer_util::DownloadProgressObserver* observer,
                       installer_util::DownloadFailureInfo* failure) override;
  bool DownloadPlain(const std::wstring& url, installer_util::DownloadSink* sink,
                     std::string* error, std::wstring* redirect, HANDLE stop_event) override;
  bool VerifyModule(const std::wstring& path) override;
  uint64_t NowMicros() override;
  void PauseBetweenAttempts(const base::WaitableEvent& stop) override;
  std::unique_ptr<StartedProcess> StartProcess(const wchar_t* application,
                                               const std::wstring& command_line,
                                               DWORD* error) override;
  bool StartElevatedInstance(SHELLEXECUTEINFOW* info) override;
  bool RunElevated(ElevatedRunner* runner, HANDLE stop_event, int32_t* exit_code) override;
};

}  // namespace lite_installer
