// The elevated instance ("run-as-admin"): wait for the first installer's
// go-ahead, then run setup on its behalf.
#include "base/logging.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "installer/lite_installer/core/installer_command_line.h"
#include "installer/lite_installer/core/startup_steps.h"

namespace lite_installer {

extern const wchar_t kElevatedGoAheadEventName[] = L"0c0f0f0d-6434-4cfd-a5e9-23e9ca4d94b6";
extern const wchar_t kElevatedStopEventName[] = L"fef32d6d-67e9-4654-b314-6c72098ff5d1";

int ExecuteAsAdmin() {
  const InstallerCommandLine& command_line = InstallerCommandLine::ForCurrentProcess();
  const std::wstring setup_command = command_line.GetSwitchValue("setup-cmd-line");
  const std::string raw_parent_id = command_line.GetSwitchValueAscii("parent-installer-process-id");
  const std::optional<uint32_t> parsed = base::ParseUint32(raw_parent_id);
  if (!parsed) LOG(ERROR) << "Suspicious process id=" << raw_parent_id;
  const DWORD parent_id = parsed.value_or(0);

  base::ScopedHandle parent(::OpenProcess(SYNCHRONIZE, TRUE, parent_id));
  LOG(INFO) << "Start installer as admin";

  const InstallerCommandLine setup_command_line(setup_command);

  base::ScopedHandle go_ahead(::OpenEventW(SYNCHRONIZE, FALSE, kElevatedGoAheadEventName));
  base::ScopedHandle stop(::OpenEventW(SYNCHRONIZE, FALSE, kElevatedStopEventName));
  const HANDLE handles[] = {go_ahead.get(), stop.get(), parent.get()};
  const DWORD wait = ::WaitForMultipleObjects(3, handles, FALSE, INFINITE);
  if (wait != WAIT_OBJECT_0) {
    LOG(ERROR) << "Installer started as admin has been unexpectedly synced, wr="
               << static_cast<int32_t>(wait);
    return -1;
  }
  return RunSetupAsAdmin(setup_command_line, parent.get());
}

}  // namespace lite_installer
