#include "installer/config/installer_options.h"

#include <utility>

namespace lite_installer {
namespace {

const char* const kNonInstallSwitches[] = {
    "update-setup-exe", "show-eula", "configure-user-settings", "register-dev-chrome",
    "register-browser-browser", "rename-browser-exe", "on-os-upgrade",
    "fake-rename-kelmor-internet", "patch", "reenable-autoupdates", "simulate-crash",
    "delete-old-versions", "set-as-default-browser", "set-as-default-browser-dll", "pttw1",
    "pwattw1", "pttw0"};

}  // namespace

InstallerOptions InstallerOptions::FromCommandLine(InstallerCommandLine command_line) {
  InstallerOptions o;
  const InstallerCommandLine& line = command_line;
  o.check_the_interface = line.HasSwitch("check-the-interface");
  o.run_as_admin = line.HasSwitch("run-as-admin");
  o.silent = line.HasSwitch("silent");
  o.system_level = line.HasSwitch("system-level");
  o.program_files_installation = line.HasSwitch("program-files-installation");
  o.uac_enabled = line.HasSwitch("uac-enabled");
  o.brand_name = line.GetSwitchValueAscii("brand-name");

  o.make_default_after_import = line.HasSwitch("make-browser-default-after-import");
  o.send_statistics = line.HasSwitch("send-statistics");
  o.pin_assistant = !line.HasSwitch("disablekepin");
  o.launch_browser = !line.HasSwitch("do-not-launch-browser");
  o.error_dialog_download_button = !line.HasSwitch("disable-error-dialog-download-button");
  if (line.HasSwitch("download-x64"))
    o.download_architecture = DownloadArchitecture::kX64;
  else if (line.HasSwitch("download-x32"))
    o.download_architecture = DownloadArchitecture::kX86;
  if (line.HasSwitch("force-device-scale-factor"))
    o.forced_scale_factor = line.GetSwitchValueAscii("force-device-scale-factor");
  o.kepin_state = line.GetSwitchValueAscii("kepin-state");

  o.installer_data_file = line.GetSwitchValue("installerdata");
  o.clids_file = line.GetSwitchValue("clids-file");
  o.website_icon_file = line.GetSwitchValue("kelmor-website-icon-file");
  o.abt_config_file = line.GetSwitchValue("abt-config-resource-file");

  o.setup_command_line = line.GetSwitchValue("setup-cmd-line");
  o.parent_process_id = line.GetSwitchValueAscii("parent-installer-process-id");
  o.elevation_token = line.GetSwitchValue(kElevationTokenSwitch);
  o.command_line = std::move(command_line);
  return o;
}

const char* FindNonInstallSwitch(const InstallerOptions& options) {
  for (const char* name : kNonInstallSwitches)
    if (options.command_line.HasSwitch(name)) return name;
  return nullptr;
}

}  // namespace lite_installer
