// Steps whose subsystems are not part of this build yet: each logs that
// plainly.
#include "installer/lite_installer/core/startup_steps.h"

#include "base/logging.h"
#include "installer/lite_installer/core/installer_command_line.h"
#include "installer/util/application_association_registration_internal.h"

namespace lite_installer {

void ShowNotEnoughDiskSpaceDialog(StartupState&) {
  LOG(ERROR) << "Not-enough-disk-space dialog is not available in this build";
}

int CheckTheInterface() { return installer::win10_default_browser::RunInterfaceCheckChild(); }

}  // namespace lite_installer
