// What the installer's command line asks for: read once at start-up, then
// handed to the parts that act on it. The command line itself stays with
// it for what is passed on whole (setup's command line, the elevated
// instance's, the distribution parameters).
#pragma once

#include <optional>
#include <string>

#include "installer/config/installer_command_line.h"

namespace lite_installer {

enum class DownloadArchitecture { kNative, kX64, kX86 };

struct InstallerOptions {
  InstallerCommandLine command_line;

  // The road of the run.
  bool check_the_interface = false;
  bool run_as_admin = false;
  bool silent = false;
  bool system_level = false;
  bool program_files_installation = false;
  bool uac_enabled = false;
  std::string brand_name;

  // Choices of the installation.
  bool make_default_after_import = false;
  bool send_statistics = false;
  bool pin_assistant = true;
  bool launch_browser = true;
  bool error_dialog_download_button = true;
  DownloadArchitecture download_architecture = DownloadArchitecture::kNative;
  std::optional<std::string> forced_scale_factor;
  std::string kepin_state;

  // Data files handed on to setup.
  std::wstring installer_data_file;
  std::wstring clids_file;
  std::wstring website_icon_file;
  std::wstring abt_config_file;

  // The elevated instance's link to its parent.
  std::wstring setup_command_line;
  std::string parent_process_id;
  std::wstring elevation_token;

  static InstallerOptions FromCommandLine(InstallerCommandLine command_line);
};

// The switch that carries the elevated instance's run token.
inline constexpr char kElevationTokenSwitch[] = "elevation-token";

// The first switch of `options` that asks for something other than an
// installation (an elevated restart is then pointless), or null.
const char* FindNonInstallSwitch(const InstallerOptions& options);

}  // namespace lite_installer
