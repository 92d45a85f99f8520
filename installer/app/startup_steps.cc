// Small start-up steps owned by other subsystems: the not-enough-disk-space
// notice and the default-browser interface probe.
#include "installer/app/startup_steps.h"

#include "base/logging.h"
#include "installer/config/brand_info.h"
#include "installer/config/installer_command_line.h"
#include "installer/ui/dialogs/dialog_factory.h"
#include "installer/util/application_association_registration_internal.h"

namespace lite_installer {

void ShowNotEnoughDiskSpaceDialog(StartupState& state) {
  LOG(ERROR) << "Not enough disk space for the installation";
  const BrandInfo fallback;
  const BrandInfo& brand = state.brand_info ? *state.brand_info : fallback;
  const int code = CreateNotEnoughDiskSpaceDialog(brand)->Run(nullptr);
  LOG(INFO) << "Not-enough-disk-space dialog ended with " << code;
}

int CheckTheInterface() { return installer::win10_default_browser::RunInterfaceCheckChild(); }

}  // namespace lite_installer
