// Which option checkboxes the first screen may show and how they start.
// Pure code: every input is given.
#pragma once

#include <cstdint>

namespace lite_installer {

// Whether the installer can make the browser the default one: always before
// Windows 8, never on Windows 8 and 8.1, on Windows 10 and later when the
// default-browser interface check succeeded.
bool CanMakeBrowserDefault(uint32_t windows_major, uint32_t windows_minor, bool interface_available);

struct CheckboxStateInputs {
  int32_t make_browser_default = 0;  // brand TriState: 0 unset, 1 true, 2 false
  int32_t send_statistics = 0;       // brand TriState
  bool open_mode = true;
  bool can_make_default = true;
  int kepin_offer_state = 0;  // 0..3
};

struct CheckboxStates {
  bool default_allowed = true;  // false: "default" stays hidden and unchecked
  bool default_checked = false;
  bool sendstat_checked = false;
  bool kepin_created = false;
  bool kepin_checked = false;
};

CheckboxStates ComputeInitialCheckboxStates(const CheckboxStateInputs& inputs);

}  // namespace lite_installer
