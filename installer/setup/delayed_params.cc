#include "installer/setup/delayed_params.h"

#include <windows.h>

#include "base/files.h"
#include "base/logging.h"
#include "installer/config/installer_command_line.h"

namespace lite_installer {
namespace {

__attribute__((section("Shared"), shared)) DelayedParams g_delayed_params = {{u'\0'}};

constexpr size_t kMaxPathChars = kDelayedPathChars - 1;
constexpr size_t kMaxTimeChars = kDelayedTimeChars - 1;

template <size_t N>
void CopySlot(char16_t (&slot)[N], const std::wstring& value) {
  size_t i = 0;
  for (; i < value.size() && i + 1 < N; ++i) slot[i] = static_cast<char16_t>(value[i]);
  for (; i < N; ++i) slot[i] = u'\0';
}

template <size_t N>
std::wstring ReadSlot(const volatile char16_t (&slot)[N]) {
  std::wstring value;
  for (size_t i = 0; i < N && slot[i] != u'\0'; ++i) value.push_back(static_cast<wchar_t>(slot[i]));
  return value;
}

}  // namespace

DelayedParams& SharedDelayedParams() { return g_delayed_params; }

bool WriteDelayedParams(const DelayedParamValues& v) {
  const bool fits = v.browser_arc_path.size() <= kMaxPathChars &&
                    v.clids_file_path.size() <= kMaxPathChars &&
                    v.kelmor_website_icon_file_path.size() <= kMaxPathChars &&
                    v.installer_data_path.size() <= kMaxPathChars &&
                    v.brand_package_path.size() <= kMaxPathChars &&
                    v.partner_package_path.size() <= kMaxPathChars &&
                    v.partner_package_override_path.size() <= kMaxPathChars &&
                    v.histogram_download_time.size() <= kMaxTimeChars &&
                    v.histogram_full_time.size() <= kMaxTimeChars;
  if (!fits) {
    PLOG(ERROR, ::GetLastError())
        << "Too large string length," << " browser_arc_path=" << v.browser_arc_path
        << " clids_file_path=" << v.clids_file_path
        << " kelmor_website_icon_file_path=" << v.kelmor_website_icon_file_path
        << " installer_data_path=" << v.installer_data_path
        << " brand_package_path=" << v.brand_package_path
        << " partner_package_path=" << v.partner_package_path
        << " partner_package_override_path=" << v.partner_package_override_path
        << " histogram_download_time=" << v.histogram_download_time
        << " histogram_full_time=" << v.histogram_full_time
        << " send_statistics=" << static_cast<int>(v.send_statistics)
        << " make_default=" << static_cast<int>(v.make_default)
        << " install_kepin=" << static_cast<int>(v.install_kepin);
    return false;
  }
  DelayedParams& p = g_delayed_params;
  CopySlot(p.browser_arc_path, v.browser_arc_path);
  CopySlot(p.clids_file_path, v.clids_file_path);
  CopySlot(p.kelmor_website_icon_file_path, v.kelmor_website_icon_file_path);
  CopySlot(p.installer_data_path, v.installer_data_path);
  CopySlot(p.brand_package_path, v.brand_package_path);
  CopySlot(p.partner_package_path, v.partner_package_path);
  CopySlot(p.partner_package_override_path, v.partner_package_override_path);
  CopySlot(p.histogram_download_time, v.histogram_download_time);
  CopySlot(p.histogram_full_time, v.histogram_full_time);
  p.send_statistics = v.send_statistics ? 1 : 0;
  p.make_default = v.make_default ? 1 : 0;
  p.install_kepin = v.install_kepin ? 1 : 0;
  return true;
}

DelayedParamValues ReadDelayedParams() {
  const volatile DelayedParams& p = g_delayed_params;
  DelayedParamValues v;
  v.browser_arc_path = ReadSlot(p.browser_arc_path);
  v.clids_file_path = ReadSlot(p.clids_file_path);
  v.kelmor_website_icon_file_path = ReadSlot(p.kelmor_website_icon_file_path);
  v.installer_data_path = ReadSlot(p.installer_data_path);
  v.brand_package_path = ReadSlot(p.brand_package_path);
  v.partner_package_path = ReadSlot(p.partner_package_path);
  v.partner_package_override_path = ReadSlot(p.partner_package_override_path);
  v.histogram_download_time = ReadSlot(p.histogram_download_time);
  v.histogram_full_time = ReadSlot(p.histogram_full_time);
  v.send_statistics = p.send_statistics != 0;
  v.make_default = p.make_default != 0;
  v.install_kepin = p.install_kepin != 0;
  return v;
}

void ApplyDelayedParams(InstallerCommandLine* line) {
  const DelayedParamValues v = ReadDelayedParams();
  if (!v.browser_arc_path.empty()) line->set_program(v.browser_arc_path);
  if (!v.installer_data_path.empty()) line->AppendSwitch("installerdata", v.installer_data_path);
  if (!v.clids_file_path.empty()) line->AppendSwitch("clids-file", v.clids_file_path);
  if (!v.kelmor_website_icon_file_path.empty()) {
    const auto icon = base::ReadFileToString(v.kelmor_website_icon_file_path);
    if (icon && !icon->empty())
      line->AppendSwitch("kelmor-website-icon-file", v.kelmor_website_icon_file_path);
  }
  if (!v.brand_package_path.empty()) line->AppendSwitch("brand-package", v.brand_package_path);
  if (!v.partner_package_path.empty())
    line->AppendSwitch("partner-package", v.partner_package_path);
  if (!v.partner_package_override_path.empty())
    line->AppendSwitch("override-partner-package", v.partner_package_override_path);
  if (!v.histogram_full_time.empty())
    line->AppendSwitch("install-start-time-no-uac", v.histogram_full_time);
  auto set_present = [line](const char* name, bool present) {
    if (present)
      line->AppendSwitch(name);
    else
      line->RemoveSwitch(name);
  };
  set_present("send-statistics", v.send_statistics);
  set_present("make-browser-default-after-import", v.make_default);
  set_present("disablekepin", !v.install_kepin);
  line->AppendSwitch("histogram-download-time", v.histogram_download_time);
}

int32_t GetSharedErrorKind() { return static_cast<const volatile DelayedParams&>(g_delayed_params).error_kind; }

void SetSharedErrorKind(int32_t kind) {
  static_cast<volatile DelayedParams&>(g_delayed_params).error_kind = kind;
}

}  // namespace lite_installer
