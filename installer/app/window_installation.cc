// Window mode of the entry point: the installer window with its controller,
// and the product's environment of the window.
#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "base/logging.h"
#include "base/strings.h"
#include "base/test_hooks.h"
#include "installer/config/brand_info.h"
#include "installer/config/distrib_info_params.h"
#include "installer/config/existing_installation.h"
#include "installer/app/startup_steps.h"
#include "installer/controller/elevation.h"
#include "installer/ui/display_scale.h"
#include "installer/ui/window/lite_main_window.h"
#include "installer/ui/window/test_window_controller.h"
#include "installer/util/application_association_registration_internal.h"
#include "installer/util/win_version.h"

namespace lite_installer {
namespace {

constexpr int kWindowClosedExitCode = 500;

// The running system, the brand's controller and dialogs.
MainWindowEnvironment ProductEnvironment(const BrandInfo& brand, const DistribInfoParams& params,
                                         const InstallerOptions& options) {
  MainWindowEnvironment env;
  const installer_util::WindowsVersion version = installer_util::GetWindowsVersion();
  env.windows_major = version.major;
  env.windows_minor = version.minor;
  env.existing_browser_found = ExistingNonCorporateBrowserFound();
  env.corporate_edition = IsCorporateEditionInstalled();
  const InstallerOptions* options_ptr = &options;
  env.need_elevation = [options_ptr] { return NeedStartThisProcessAsAdmin(*options_ptr); };
  env.interface_check = [](uint32_t* status) {
    return installer::win10_default_browser::IsInternalInterfaceAvailableSafeCheck(status);
  };
  const BrandInfo* brand_ptr = &brand;
  const DistribInfoParams* params_ptr = &params;
  env.create_controller = [brand_ptr, params_ptr, options_ptr](InstallProgressReceiver* receiver) {
    if (std::unique_ptr<WindowController> test = CreateTestWindowController(receiver)) return test;
    return CreateInstallerWindowController(receiver, brand_ptr, params_ptr, options_ptr);
  };
  const bool download_button = options.error_dialog_download_button;
  env.create_dialogs = [brand_ptr, params_ptr, download_button] {
    return CreateWindowDialogs(brand_ptr, params_ptr, download_button);
  };
  env.open_url = [](const std::wstring& url) {
    ::ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  };
  env.scale = GetDisplayScaleFactor();
  env.options = options;
  return env;
}

}  // namespace

int RunWindowInstallation(StartupState& state) {
  if (!state.brand_info || !state.distrib_params) {
    LOG(ERROR) << "No brand record for the installer window";
    return kWindowClosedExitCode;
  }
  LiteMainWindow window(state.brand_info, state.distrib_params, /*open_mode=*/true,
                        ProductEnvironment(*state.brand_info, *state.distrib_params, state.options));
  const INT_PTR end = window.RunModal();
  if (end == 1) {
    // The controller's thread finishes its report before the result is read.
    if (window.controller()) window.controller()->Stop();
    return window.ControllerResult();
  }
  LOG(INFO) << "User cancelled installation.";
  return kWindowClosedExitCode;
}

}  // namespace lite_installer
