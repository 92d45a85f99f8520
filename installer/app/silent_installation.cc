// The installation without a window, run on the main thread.
#include "base/logging.h"
#include "installer/config/brand_info.h"
#include "installer/config/distrib_info_params.h"
#include "installer/controller/elevation.h"
#include "installer/controller/installer.h"
#include "installer/config/installer_command_line.h"
#include "installer/app/startup_steps.h"

namespace lite_installer {

int RunSilentInstallation(StartupState& state) {
  const InstallerCommandLine& command_line = InstallerCommandLine::ForCurrentProcess();
  Installer installer(nullptr, state.brand_info.get(), state.distrib_params.get(),
                      /*with_remote_configuration=*/true);
  installer.SetMakeDefault(command_line.HasSwitch("make-browser-default-after-import"));
  installer.set_send_statistics(command_line.HasSwitch("send-statistics") ||
                                (state.brand_info && state.brand_info->ShouldSendStatistics()));
  installer.set_pin_assistant(!command_line.HasSwitch("disablekepin"));
  // A distribution that asks for the elevated road at once ("uac" mode 1)
  // gets it in silent mode too, as the window does at its start; the
  // elevation check itself keeps a plain silent run unprompted.
  if (state.distrib_params && state.brand_info &&
      GetUacMode(*state.distrib_params, *state.brand_info, command_line) == 1 &&
      NeedStartThisProcessAsAdmin() && !installer.StartElevatedInstaller())
    LOG(INFO) << "Declined running the installer as admin";
  installer.RunSync();
  return installer.result_code();
}

}  // namespace lite_installer
