// The installation steps of the start-up sequence that follow the
// single-instance check. Each is owned by the subsystem that implements it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "installer/config/installer_options.h"

namespace lite_installer {

class BrandInfo;
class DistribInfoParams;
class InstallProgressReceiver;
class WindowController;

struct StartupState {
  // The run's command line, read once before anything acts on it.
  InstallerOptions options;
  std::wstring temp_path;
  // Filled by PrepareDistribution; read-only from then on.
  std::shared_ptr<const DistribInfoParams> distrib_params;
  std::shared_ptr<const BrandInfo> brand_info;
};

// Distribution parameters, brand record and the crash keys that follow
// from them (installer/app/distribution_startup.cc).
void PrepareDistribution(StartupState& state);
// Runs the installation without a window; returns the controller's result.
int RunSilentInstallation(StartupState& state);
// Runs the installer window; the result of its controller when the dialog
// ended with 1, else 500.
int RunWindowInstallation(StartupState& state);
// Tells the user that the disk is full (the caller exits with 403).
void ShowNotEnoughDiskSpaceDialog(StartupState& state);
// The elevated instance's road ("run-as-admin").
int ExecuteAsAdmin(const InstallerOptions& options);
// Its last part, once the go-ahead came: apply the parameter block and run
// setup. Returns the process exit code (0 or -1).
int RunSetupAsAdmin(const InstallerCommandLine& setup_command_line, HANDLE parent,
                    const InstallerOptions& options);
// "check-the-interface": 700 when the default-browser interface is there.
int CheckTheInterface();

// The product's controller for the window: an `Installer` with `receiver`
// and remote configuration tasks.
std::unique_ptr<WindowController> CreateInstallerWindowController(InstallProgressReceiver* receiver,
                                                                  const BrandInfo* brand,
                                                                  const DistribInfoParams* params,
                                                                  const InstallerOptions* options);

}  // namespace lite_installer
