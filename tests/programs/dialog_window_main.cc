// Test program: one installer dialog, as the installer builds it, shown
// modally on its own; the process exit code is the dialog's end code.
//
//   dialog_window --look=redesigned --kind=K        redesigned kind 0-12 (others: empty texts)
//   dialog_window --look=classic --kind=NAME        newer, corporate-newer, corporate-exists,
//                                                   resume, unsupported, disk
//   dialog_window --code=N                          the error chooser's dialog for error code N
//   [--brand-id=ID] [--lang=CODE] [--force-device-scale-factor=F] [--log=PATH]
//   [--disable-error-dialog-download-button]
//
// The log goes to the installer's log file unless --log names another.
// Exit codes: the end code (1, 212, 213), 3 for bad arguments, 4 when the
// error chooser has no dialog for the code.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <gdiplus.h>

#include <memory>
#include <string>

#include "base/logging.h"
#include "base/strings.h"
#include "installer/config/brand_info.h"
#include "installer/config/distrib_info_params.h"
#include "installer/util/file_logger.h"
#include "installer/config/installer_command_line.h"
#include "installer/ui/dialogs/dialog_factory.h"
#include "installer/ui/display_scale.h"

namespace {

using lite_installer::ClassicKind;
using lite_installer::InstallerDialog;

std::unique_ptr<InstallerDialog> MakeDialog(const lite_installer::InstallerCommandLine& line,
                                            const lite_installer::BrandInfo& brand,
                                            const lite_installer::DistribInfoParams& params, int* status) {
  if (line.HasSwitch("code")) {
    lite_installer::DialogFactory factory;
    const int code = static_cast<int>(base::ParseInt64(line.GetSwitchValueAscii("code")).value_or(0));
    const bool download_button = !line.HasSwitch("disable-error-dialog-download-button");
    std::unique_ptr<InstallerDialog> dialog =
        factory.CreateErrorChooser(brand, params, download_button)->ForCode(code);
    if (!dialog) *status = 4;
    return dialog;
  }
  const std::string look = line.GetSwitchValueAscii("look");
  const std::string kind = line.GetSwitchValueAscii("kind");
  if (look == "redesigned") {
    const std::optional<int64_t> number = base::ParseInt64(kind);
    if (!number) return nullptr;
    return lite_installer::CreateRedesignedKind(static_cast<int>(*number), brand, &params);
  }
  if (look != "classic") return nullptr;
  const std::pair<const char*, ClassicKind> kinds[] = {
      {"newer", ClassicKind::kNewerVersion},
      {"corporate-newer", ClassicKind::kCorporateNewerVersion},
      {"corporate-exists", ClassicKind::kCorporateBrowserExists},
      {"resume", ClassicKind::kResume},
      {"unsupported", ClassicKind::kUnsupportedSystem},
      {"disk", ClassicKind::kNotEnoughDiskSpace},
  };
  for (const auto& [name, value] : kinds)
    if (kind == name) return lite_installer::CreateClassicKind(value, brand, &params);
  return nullptr;
}

}  // namespace

int wmain() {
  const lite_installer::InstallerCommandLine line(::GetCommandLineW());
  const std::wstring log = line.HasSwitch("log") ? line.GetSwitchValue("log") : lite_installer::GetLogFilePath();
  base::SetLogSink(std::make_unique<lite_installer::FileLogger>(log, lite_installer::kLogSizeLimit));
  if (line.HasSwitch("force-device-scale-factor"))
    lite_installer::SetForcedDisplayScaleFactor(line.GetSwitchValueAscii("force-device-scale-factor"));
  ::CoInitialize(nullptr);
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  Gdiplus::GdiplusStartupInput gdiplus_input;
  ULONG_PTR gdiplus_token = 0;
  if (Gdiplus::GdiplusStartup(&gdiplus_token, &gdiplus_input, nullptr) != Gdiplus::Ok) return 2;

  int status = 3;
  {
    lite_installer::BrandInfo brand;
    brand.brand_id = line.HasSwitch("brand-id") ? line.GetSwitchValueAscii("brand-id") : "ru";
    brand.SetInterfaceLanguage(line.HasSwitch("lang") ? line.GetSwitchValueAscii("lang") : "en");
    const lite_installer::DistribInfoParams params;
    if (std::unique_ptr<InstallerDialog> dialog = MakeDialog(line, brand, params, &status)) {
      status = dialog->Run(nullptr);
      LOG(INFO) << "Dialog ended with " << status;
    }
  }
  Gdiplus::GdiplusShutdown(gdiplus_token);
  ::CoUninitialize();
  base::SetLogSink(nullptr);
  return status;
}
