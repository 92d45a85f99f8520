// Setup's data files and command line.
#include <windows.h>

#include "base/files.h"
#include "base/logging.h"
#include "base/resource_data.h"
#include "base/strings.h"
#include "installer/config/async_install_tasks.h"
#include "installer/config/brand_info.h"
#include "installer/config/distrib_info_params.h"
#include "installer/controller/installer.h"
#include "installer/config/installer_options.h"
#include "installer/controller/installer_events.h"
#include "resource_ids.h"

namespace lite_installer {
namespace {

// Writes a resource to `path`; false when it is missing or empty (the file
// is written with whatever the resource gave).
bool ExtractResource(const wchar_t* type, const wchar_t* name, const std::wstring& path) {
  const std::string_view data = base::ResourceData(nullptr, name, type);
  const bool written = base::WriteStringToFile(path, data);
  return !data.empty() && written;
}

void SetPresent(InstallerCommandLine* line, const char* name, bool present) {
  if (present)
    line->AppendSwitch(name);
  else
    line->RemoveSwitch(name);
}

}  // namespace

void Installer::ExtractInstallerDataIfAbsent(const std::wstring& temp_dir) {
  struct DataFile {
    std::wstring* path;
    int id;
    const wchar_t* name;
  };
  const DataFile files[] = {{&installer_data_path_, IDR_MASTER_PREFERENCES, L"master_preferences"},
                            {&clids_file_path_, IDR_CLIDS, L"clids.xml"},
                            {&website_icon_path_, IDR_SITE_ICON, L"website.ico"}};
  for (const DataFile& file : files) {
    if (!file.path->empty()) continue;
    *file.path = base::PathJoin(temp_dir, file.name);
    if (!ExtractResource(L"BIN", MAKEINTRESOURCEW(file.id), *file.path))
      LOG(WARNING) << "Failed to extract resource " << file.id;
  }
  if (abt_config_path_.empty()) {
    abt_config_path_ = base::PathJoin(temp_dir, L"abt_config_resource");
    if (!ExtractResource(RT_RCDATA, L"ABT_CONFIG", abt_config_path_) &&
        !ExtractResource(L"BIN", L"ABT_CONFIG", abt_config_path_)) {
      LOG(WARNING) << "Failed to extract resource " << "abt_config_resource";
      abt_config_path_.clear();
    }
  }
}

InstallerCommandLine Installer::BuildSetupCommandLine(const std::wstring& program,
                                                      bool with_data_files) const {
  InstallerCommandLine line = options_->command_line;
  line.set_program(program);
  SetPresent(&line, "disable-uac", uac_declined_);
  HWND window = receiver_ ? receiver_->GetWindowHandle() : nullptr;
  line.AppendSwitch("progress-window",
                    std::to_wstring(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(window))));
  line.AppendSwitch("verbose-logging");
  line.AppendSwitch("brand-name", base::Utf8ToWide(brand_ ? brand_->brand_name : ""));
  if (params_ && !params_->distr_info_file.empty())
    line.AppendSwitch("distr-info-file", params_->distr_info_file);
  SetPresent(&line, "make-browser-default-after-import", make_default_);
  SetPresent(&line, "send-statistics", send_statistics_);
  SetPresent(&line, "disablekepin", !pin_assistant_);
  if (click_time_ != 0) line.AppendSwitch("ok-button-pressed-time", std::to_wstring(click_time_));
  if (go_ahead_time_ != 0)
    line.AppendSwitch("install-start-time-no-uac", std::to_wstring(go_ahead_time_));
  if (interface_availability_ != 0)
    line.AppendSwitch("the-interface-availability", std::to_wstring(interface_availability_));
  if (!abt_config_path_.empty()) line.AppendSwitch("abt-config-resource-file", abt_config_path_);
  if (with_data_files) {
    line.AppendSwitch("installerdata", installer_data_path_);
    line.AppendSwitch("clids-file", clids_file_path_);
    if (!website_icon_path_.empty())
      line.AppendSwitch("kelmor-website-icon-file", website_icon_path_);
    if (brand_ && brand_->brand_package_loaded)
      line.AppendSwitch("brand-package", brand_->brand_package_path);
    if (brand_ && brand_->partner_package_loaded)
      line.AppendSwitch("partner-package", brand_->partner_package_path);
    if (!partner_package_override_path_.empty())
      line.AppendSwitch("override-partner-package", partner_package_override_path_);
  }
  if (params_ && brand_ &&
      GetUacMode(*params_, *brand_, *options_) == 2)
    line.AppendSwitch("show-uac-at-browser-start");
  if (params_ && IsUts2Param(*params_)) line.AppendSwitch("use-task-scheduler2");
  const std::wstring browser_present = GetBrowserPresentParam(stats_.get());
  if (!browser_present.empty()) line.AppendSwitch("browser-present", browser_present);
  if (brand_ && !brand_->brand_id.empty())
    line.AppendSwitch("installer-brand-id", base::Utf8ToWide(brand_->brand_id));
  if (brand_ && !brand_->partner_id.empty())
    line.AppendSwitch("installer-partner-id", base::Utf8ToWide(brand_->partner_id));
  if (brand_ && !brand_->forced_test_ids.empty()) {
    std::string joined;
    for (const std::string& id : brand_->forced_test_ids) joined += (joined.empty() ? "" : ";") + id;
    line.AppendSwitch("testids", base::Utf8ToWide(joined));
  }
  if (remote_tasks_) AppendRemoteConfigurationSwitches(remote_tasks_.get(), &line);
  AddDoNotLaunchSwitch(&line);
  return line;
}

}  // namespace lite_installer
