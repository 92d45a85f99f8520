// Placeholder until the remote configuration tasks land: no tasks, so no
// paths reach setup's command line.
#include "installer/lite_installer/config/async_install_tasks.h"

#include "installer/lite_installer/core/installer_command_line.h"
#include "installer/lite_installer/core/installer_events.h"

namespace lite_installer {

std::unique_ptr<AsyncInstallTasks> StartRemoteConfigurationTasks(const BrandInfo*,
                                                                  const DistribInfoParams*) {
  return nullptr;
}

void AppendRemoteConfigurationSwitches(const AsyncInstallTasks* tasks, InstallerCommandLine* line) {
  auto add = [line](const char* name, const std::wstring& path) {
    if (!path.empty()) line->AppendSwitch(name, path);
  };
  add("variations-update-path", tasks->variations_path);
  add("abt-update-path", tasks->abt_path);
  add("webntp-path", tasks->webntp_path);
  add("server-config-bundle-path", tasks->server_config_path);
  add("preloaded-wallpaper-bundle-path", tasks->wallpapers_path);
}

}  // namespace lite_installer
