// The installer controller is not part of this build yet: the window runs
// without one (nothing is downloaded or installed; the run ends as one in
// which setup never ran). The controller's adapter replaces this file.
#include "base/logging.h"
#include "installer/lite_installer/ui/window/window_controller.h"

namespace lite_installer {

std::unique_ptr<WindowController> CreateInstallerWindowController(InstallProgressReceiver*, const BrandInfo*,
                                                                  const DistribInfoParams*) {
  LOG(ERROR) << "Installation controller is not available in this build";
  return nullptr;
}

bool InstallerNeedsElevation() { return false; }

}  // namespace lite_installer
