// The installation without a window, run on the main thread.
#include "base/logging.h"
#include "installer/config/brand_info.h"
#include "installer/config/distrib_info_params.h"
#include "installer/controller/elevation.h"
#include "installer/controller/installer.h"
#include "installer/config/installer_options.h"
#include "installer/app/startup_steps.h"

namespace lite_installer {

int RunSilentInstallation(StartupState& state) {
  const InstallerOptions& options = state.options;
  Installer installer(nullptr, state.brand_info.get(), state.distrib_params.get(), &options,
                      /*with_remote_configuration=*/true);
  installer.SetMakeDefault(options.make_default_after_import);
  installer.set_send_statistics(options.send_statistics ||
                                (state.brand_info && state.brand_info->ShouldSendStatistics()));
  installer.set_pin_assistant(options.pin_assistant);
  // A distribution that asks for the elevated road at once ("uac" mode 1)
  // gets it in silent mode too, as the window does at its start; the
  // elevation check itself keeps a plain silent run unprompted.
  if (state.distrib_params && state.brand_info &&
      GetUacMode(*state.distrib_params, *state.brand_info, options) == 1 &&
      NeedStartThisProcessAsAdmin(options) && !installer.StartElevatedInstaller())
    LOG(INFO) << "Declined running the installer as admin";
  installer.RunSync();
  return installer.result_code();
}

}  // namespace lite_installer
