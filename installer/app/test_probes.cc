#include "installer/app/test_probes.h"

#include "build_config.h"

#if KELMOR_TEST_BUILD
#include <windows.h>

#include "base/files.h"
#include "base/logging.h"
#include "base/strings.h"
#include "base/test_hooks.h"
#include "installer/app/missing_import_probe.h"
#include "installer/setup/delayed_params.h"

namespace lite_installer {
namespace {

std::string JsonString(const std::wstring& value) {
  std::string out = "\"";
  for (char c : base::WideToUtf8(value)) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out + "\"";
}

// DELAYED_PARAMS_WRITE=<archive path>: writes a block whose other fields
// are derived from the path, then keeps the process (and so the shared
// section) alive for DELAYED_PARAMS_HOLD_MS.
int WriteDelayedParamsProbe(const std::string& archive) {
  DelayedParamValues v;
  v.browser_arc_path = base::Utf8ToWide(archive);
  v.clids_file_path = v.browser_arc_path + L".clids";
  v.kelmor_website_icon_file_path = v.browser_arc_path + L".ico";
  v.installer_data_path = v.browser_arc_path + L".prefs";
  v.brand_package_path = v.browser_arc_path + L".brand";
  v.partner_package_path = v.browser_arc_path + L".partner";
  v.partner_package_override_path = L"";
  v.histogram_download_time = L"12";
  v.histogram_full_time = L"987654321";
  v.send_statistics = true;
  v.make_default = false;
  v.install_kepin = true;
  const bool ok = WriteDelayedParams(v);
  SetSharedErrorKind(5);
  if (const auto hold = base::GetTestHook("DELAYED_PARAMS_HOLD_MS"))
    ::Sleep(static_cast<DWORD>(base::ParseInt64(std::string_view(*hold)).value_or(0)));
  return ok ? 0 : 1;
}

// DELAYED_PARAMS_DUMP=<output file>: writes the block as JSON.
int DumpDelayedParamsProbe(const std::string& output) {
  const DelayedParamValues v = ReadDelayedParams();
  std::string json = "{";
  json += "\"browser_arc_path\": " + JsonString(v.browser_arc_path);
  json += ", \"clids_file_path\": " + JsonString(v.clids_file_path);
  json += ", \"kelmor_website_icon_file_path\": " + JsonString(v.kelmor_website_icon_file_path);
  json += ", \"installer_data_path\": " + JsonString(v.installer_data_path);
  json += ", \"brand_package_path\": " + JsonString(v.brand_package_path);
  json += ", \"partner_package_path\": " + JsonString(v.partner_package_path);
  json += ", \"partner_package_override_path\": " + JsonString(v.partner_package_override_path);
  json += ", \"histogram_download_time\": " + JsonString(v.histogram_download_time);
  json += ", \"histogram_full_time\": " + JsonString(v.histogram_full_time);
  json += ", \"send_statistics\": " + std::to_string(v.send_statistics);
  json += ", \"make_default\": " + std::to_string(v.make_default);
  json += ", \"install_kepin\": " + std::to_string(v.install_kepin);
  json += ", \"error_kind\": " + std::to_string(GetSharedErrorKind());
  json += "}";
  return base::WriteStringToFile(base::Utf8ToWide(output), json) ? 0 : 1;
}

}  // namespace

bool RunTestProbes(int* exit_code) {
  if (const auto which = base::GetTestHook("CALL_MISSING_IMPORT")) CallMissingImportForTest(*which);
  if (const auto archive = base::GetTestHook("DELAYED_PARAMS_WRITE")) {
    *exit_code = WriteDelayedParamsProbe(*archive);
    return true;
  }
  if (const auto output = base::GetTestHook("DELAYED_PARAMS_DUMP")) {
    *exit_code = DumpDelayedParamsProbe(*output);
    return true;
  }
  return false;
}

}  // namespace lite_installer
#else
namespace lite_installer {
bool RunTestProbes(int*) { return false; }
}  // namespace lite_installer
#endif
