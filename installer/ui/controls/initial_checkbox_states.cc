#include "installer/ui/controls/initial_checkbox_states.h"

namespace lite_installer {
namespace {
constexpr int32_t kExplicitlyFalse = 2;
}

bool CanMakeBrowserDefault(uint32_t major, uint32_t minor, bool interface_available) {
  if (major < 6 || (major == 6 && minor < 2)) return true;  // Windows 7 and older
  if (major == 6) return false;                              // Windows 8 and 8.1
  return interface_available;
}

CheckboxStates ComputeInitialCheckboxStates(const CheckboxStateInputs& in) {
  CheckboxStates out;
  out.default_checked = in.make_browser_default != kExplicitlyFalse;
  if (in.open_mode && !in.can_make_default) {
    out.default_allowed = false;
    out.default_checked = false;
  }
  out.sendstat_checked = in.send_statistics != kExplicitlyFalse;
  out.kepin_created = in.kepin_offer_state == 2 || in.kepin_offer_state == 3;
  out.kepin_checked = in.kepin_offer_state == 2;
  return out;
}

}  // namespace lite_installer
