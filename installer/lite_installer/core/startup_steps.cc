// Steps whose subsystems are not part of this build yet: each logs that
// plainly and ends with the result code of a run in which setup never ran.
#include "installer/lite_installer/core/startup_steps.h"

#include "base/logging.h"

namespace lite_installer {
namespace {
constexpr int kSetupNotRun = 400;
constexpr int kWindowClosed = 500;
}  // namespace

void PrepareDistribution(StartupState&) {}

int RunSilentInstallation(StartupState&) {
  LOG(ERROR) << "Installation controller is not available in this build";
  return kSetupNotRun;
}

int RunWindowInstallation(StartupState&, bool) {
  LOG(ERROR) << "Installer window is not available in this build";
  return kWindowClosed;
}

int ExecuteAsAdmin() {
  LOG(ERROR) << "Elevated installation is not available in this build";
  return -1;
}

int CheckTheInterface() { return 701; }

}  // namespace lite_installer
