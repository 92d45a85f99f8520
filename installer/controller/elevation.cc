#include "installer/controller/elevation.h"

#include <shellapi.h>
#include <shlobj.h>

#include <memory>
#include <vector>

#include "base/logging.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "installer/controller/elevated_runner.h"
#include "installer/controller/installer.h"
#include "installer/config/installer_options.h"
#include "installer/controller/installer_events.h"
#include "installer/util/win_version.h"

namespace lite_installer {
namespace {

base::ScopedHandle GetProcessToken(HANDLE process) {
  base::ScopedHandle token;
  if (!::OpenProcessToken(process, TOKEN_QUERY, token.receive())) {
    PLOG(ERROR, ::GetLastError()) << "OpenProcessToken fail";
    token.reset();
  }
  return token;
}

bool GetTokenInfo(HANDLE token, std::vector<BYTE>* buffer) {
  DWORD size = 0;
  ::GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
  buffer->resize(size ? size : 1);
  if (!size || !::GetTokenInformation(token, TokenGroups, buffer->data(), size, &size)) {
    PLOG(ERROR, ::GetLastError()) << "GetTokenInformation failed";
    return false;
  }
  return true;
}

}  // namespace

bool IsUserAnAdminGroup(HANDLE process) {
  base::ScopedHandle token = GetProcessToken(process);
  if (!token) return false;
  BYTE sid[68];
  DWORD sid_size = sizeof(sid);
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sid_size)) {
    PLOG(ERROR, ::GetLastError()) << "CreateWellKnownSid failed";
    return false;
  }
  std::vector<BYTE> buffer;
  if (!GetTokenInfo(token.get(), &buffer)) return false;
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  for (DWORD i = 0; i < groups->GroupCount; ++i)
    if (::EqualSid(groups->Groups[i].Sid, sid)) return true;
  return false;
}

bool NeedStartThisProcessAsAdmin(const InstallerOptions& options) {
  if (!IsUserAnAdminGroup(::GetCurrentProcess())) {
    LOG(INFO) << "User is not in admin group.";
    return false;
  }
  if (!installer_util::IsVistaOrLater()) {
    LOG(INFO) << "Windows version is not suitable for elevated restart.";
    return false;
  }
  if (const char* name = FindNonInstallSwitch(options)) {
    LOG(INFO) << "Found non install-switch:" << name;
    return false;
  }
  if (options.run_as_admin) {
    LOG(INFO) << "Run-as-admin functionality is already enabled.";
    return false;
  }
  if (options.silent && !options.uac_enabled && !::IsUserAnAdmin()) {
    LOG(INFO) << "Elevated run is necessary but silent instalation is requested - UAC will not "
                 "be shown.";
    return false;
  }
  return true;
}

bool Installer::StartElevatedInstaller() {
  // The events exist before the instance starts, under names that carry
  // the run's token; the instance learns the token from its command line.
  auto runner = std::make_unique<ElevatedRunner>();
  if (!runner->valid()) {
    LOG(ERROR) << "The elevated instance is not started: its events could not be made";
    return false;
  }
  InstallerCommandLine line = options_->command_line;
  line.AppendSwitch("run-as-admin");
  line.AppendSwitch("parent-installer-process-id", std::to_wstring(::GetCurrentProcessId()));
  line.AppendSwitch(kElevationTokenSwitch, runner->token());
  line.AppendSwitch("setup-cmd-line", BuildSetupCommandLine(L"fake_browser_arc", false).Render());
  const std::wstring program = line.program();
  line.set_program(L"");
  std::wstring parameters = line.Render();
  // Render() starts with the (empty) program and a blank.
  if (!parameters.empty() && parameters.front() == L' ') parameters.erase(0, 1);

  HWND owner = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 0,
                                 0, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (owner) {
    MONITORINFO monitor = {sizeof(monitor)};
    if (::GetMonitorInfoW(::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
      const RECT& r = monitor.rcMonitor;
      ::MoveWindow(owner, (r.left + r.right) / 2, (r.top + r.bottom) / 2, 0, 0, FALSE);
    }
    ::SetWindowPos(owner, HWND_TOPMOST, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE);
  }

  elevated_runner_ = std::move(runner);
  SHELLEXECUTEINFOW info = {sizeof(info)};
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = owner;
  info.lpVerb = L"runas";
  info.lpFile = program.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOW;
  if (ports_->StartElevatedInstance(&info)) {
    elevated_runner_->Attach(info.hProcess, owner);
    return true;
  }
  SendWindowClick(stats_.get(), "uac_declined");
  elevated_runner_.reset();
  if (reinterpret_cast<INT_PTR>(info.hInstApp) == SE_ERR_ACCESSDENIED) uac_declined_ = true;
  if (owner) ::DestroyWindow(owner);
  return false;
}

}  // namespace lite_installer
