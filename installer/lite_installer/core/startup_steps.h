// The installation steps of the start-up sequence that follow the
// single-instance check. Each is owned by the subsystem that implements it.
#pragma once

#include <string>

namespace lite_installer {

struct StartupState {
  bool silent = false;
  bool system_level = false;
  std::string brand_name;
  std::wstring temp_path;
};

// Distribution parameters, brand record and the crash keys that follow
// from them.
void PrepareDistribution(StartupState& state);
// Runs the installation without a window; returns the controller's result.
int RunSilentInstallation(StartupState& state);
// Runs the installer window (or the not-enough-disk-space dialog).
int RunWindowInstallation(StartupState& state, bool enough_disk_space);
// The elevated instance's road ("run-as-admin").
int ExecuteAsAdmin();
// "check-the-interface": 700 when the default-browser interface is there.
int CheckTheInterface();

}  // namespace lite_installer
