#include "installer/controller/controller_ports.h"

#include <cstdlib>

#include "base/clock.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "base/test_hooks.h"
#include "installer/controller/elevated_runner.h"
#include "installer/controller/installer_events.h"
#include "installer/util/downloader.h"
#include "installer/util/install_stat_sender.h"

namespace lite_installer {
namespace {

constexpr uint32_t kDownloadPauseMs = 15000;

class Win32Process : public StartedProcess {
 public:
  Win32Process(HANDLE process, DWORD id) : process_(process), id_(id) {}
  DWORD id() const override { return id_; }
  bool Wait() override { return ::WaitForSingleObject(process_.get(), INFINITE) == WAIT_OBJECT_0; }
  bool GetExitCode(DWORD* code) override { return ::GetExitCodeProcess(process_.get(), code) != 0; }

 private:
  base::ScopedHandle process_;
  DWORD id_;
};

uint32_t DownloadPauseMs() {
  // Tests of the retries shorten the pause between attempts.
  if (const auto hook = base::GetTestHook("DOWNLOAD_PAUSE_MS"))
    return static_cast<uint32_t>(
        base::ParseInt64(std::string_view(*hook)).value_or(kDownloadPauseMs));
  return kDownloadPauseMs;
}

}  // namespace

std::unique_ptr<installer_util::InstallStatSender> ProductControllerPorts::CreateStatSender(
    const std::string& user_id) {
  return CreateInstallStatSender(user_id);
}

bool ProductControllerPorts::DownloadArchive(const std::wstring& url,
                                             installer_util::DownloadSink* sink,
                                             std::string* error, std::wstring* redirect,
                                             uint32_t* content_length, HANDLE stop_event,
                                             installer_util::DownloadProgressObserver* observer,
                                             installer_util::DownloadFailureInfo* failure) {
  return installer_util::DownloadWithProgress(url, sink, error, redirect, content_length,
                                              stop_event, observer, failure);
}

bool ProductControllerPorts::DownloadPlain(const std::wstring& url,
                                           installer_util::DownloadSink* sink, std::string* error,
                                           std::wstring* redirect, HANDLE stop_event) {
  return installer_util::Download(url, sink, error, redirect, stop_event);
}

bool ProductControllerPorts::VerifyModule(const std::wstring& path) {
  return VerifyDownloadedModule(path);
}

uint64_t ProductControllerPorts::NowMicros() { return base::MonotonicMicros(); }

void ProductControllerPorts::PauseBetweenAttempts(const base::WaitableEvent& stop) {
  stop.TimedWait(DownloadPauseMs());
}

std::unique_ptr<StartedProcess> ProductControllerPorts::StartProcess(
    const wchar_t* application, const std::wstring& command_line, DWORD* error) {
  STARTUPINFOW startup = {};
  PROCESS_INFORMATION info = {};
  std::wstring writable = command_line;
  // Test builds can make the start fail with a given system error, as on a
  // system that cannot run setup's machine type.
  if (const auto simulated = base::GetTestHook("CREATE_PROCESS_ERROR")) {
    *error = static_cast<DWORD>(std::strtoul(simulated->c_str(), nullptr, 10));
    return nullptr;
  }
  if (!::CreateProcessW(application, writable.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &info)) {
    *error = ::GetLastError();
    return nullptr;
  }
  base::ScopedHandle thread(info.hThread);
  return std::make_unique<Win32Process>(info.hProcess, info.dwProcessId);
}

bool ProductControllerPorts::StartElevatedInstance(SHELLEXECUTEINFOW* info) {
  // Wine runs "runas" without a prompt; tests play the refused prompt
  // with the shell's own answer to a refusal.
  if (base::GetTestHook("UAC_REFUSED").has_value()) {
    info->hInstApp = reinterpret_cast<HINSTANCE>(SE_ERR_ACCESSDENIED);
    return false;
  }
  return ::ShellExecuteExW(info) && info->hProcess;
}

bool ProductControllerPorts::RunElevated(ElevatedRunner* runner, HANDLE stop_event,
                                         int32_t* exit_code) {
  const bool ok = runner->RunModule(stop_event);
  *exit_code = runner->exit_code();
  return ok;
}

}  // namespace lite_installer
