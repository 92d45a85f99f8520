// Steps whose subsystems are not part of this build yet: each logs that
// plainly and ends with the result code of a run in which setup never ran.
#include "installer/lite_installer/core/startup_steps.h"

#include "base/logging.h"
#include "installer/lite_installer/core/installer_command_line.h"
#include "installer/util/application_association_registration_internal.h"

namespace lite_installer {
namespace {
constexpr int kSetupNotRun = 400;
}  // namespace

int RunSilentInstallation(StartupState&) {
  LOG(ERROR) << "Installation controller is not available in this build";
  return kSetupNotRun;
}

void ShowNotEnoughDiskSpaceDialog(StartupState&) {
  LOG(ERROR) << "Not-enough-disk-space dialog is not available in this build";
}

int RunSetupAsAdmin(const InstallerCommandLine&, HANDLE) {
  LOG(ERROR) << "Elevated setup run is not available in this build";
  return -1;
}

int CheckTheInterface() { return installer::win10_default_browser::RunInterfaceCheckChild(); }

}  // namespace lite_installer
