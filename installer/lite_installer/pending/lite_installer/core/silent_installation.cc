// The installation without a window, run on the main thread.
#include "base/logging.h"
#include "installer/lite_installer/config/brand_info.h"
#include "installer/lite_installer/core/installer.h"
#include "installer/lite_installer/core/installer_command_line.h"
#include "installer/lite_installer/core/startup_steps.h"

namespace lite_installer {

int RunSilentInstallation(StartupState& state) {
  const InstallerCommandLine& command_line = InstallerCommandLine::ForCurrentProcess();
  Installer installer(nullptr, state.brand_info.get(), state.distrib_params.get(),
                      /*with_remote_configuration=*/true);
  installer.SetMakeDefault(command_line.HasSwitch("make-browser-default-after-import"));
  installer.set_send_statistics(command_line.HasSwitch("send-statistics") ||
                                (state.brand_info && state.brand_info->ShouldSendStatistics()));
  installer.set_pin_assistant(!command_line.HasSwitch("disablekepin"));
  installer.RunSync();
  return installer.result_code();
}

}  // namespace lite_installer
