// Start-up step: distribution parameters, the brand record and the crash
// keys that follow from them.
#include <memory>

#include "installer/crash/crash_handler.h"
#include "installer/config/brand_info.h"
#include "installer/config/brand_packages.h"
#include "installer/config/distrib_info_params.h"
#include "installer/config/installer_command_line.h"
#include "installer/app/startup_steps.h"

namespace lite_installer {

void PrepareDistribution(StartupState& state) {
  auto params = std::make_shared<DistribInfoParams>();
  params->LoadParams(state.options.command_line);

  auto brand = std::make_shared<BrandInfo>(state.temp_path);
  GetInfo(*brand, state.options.brand_name);
  // The distribution's language wins over the packages'. It goes through
  // SetInterfaceLanguage so that language_id (the string table's language)
  // follows it.
  if (const std::optional<std::string> lang = params->Get("lang"))
    brand->SetInterfaceLanguage(*lang);
  brand->ApplyBrandDefaults();

  crash::CrashHandler& crash_handler = crash::CrashHandler::Get();
  for (const auto& [key, value] : params->params) crash_handler.SetCrashKey(key, value);
  crash_handler.SetCrashKey("brand_id", brand->brand_id);
  crash_handler.SetCrashKey("brand_name", brand->brand_name);
  crash_handler.SetCrashKey("default_language", brand->interface_language);

  state.distrib_params = std::move(params);
  state.brand_info = std::move(brand);
}

}  // namespace lite_installer
