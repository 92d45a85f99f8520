// What decides the look of the installer window: the brand's redesign
// flags, the interface language, the Windows version and which option
// checkboxes the first screen offers.
#pragma once

#include <windows.h>

#include <cstdint>

#include "installer/util/win_version.h"

namespace lite_installer {

struct WindowLookOptions {
  // InstallerFacetune2023 "enabled".
  bool facetune_enabled = false;
  // Its lessContrasty parameter, already combined with "enabled".
  bool less_contrasty = false;
  // The interface language (`language_id` of the brand record).
  LANGID language = 1033;
  installer_util::WindowsVersion windows;
  // Bit 0: the "default" checkbox, bit 1: "sendstat", bit 2: "kepin_trial".
  int kind = 0;

  bool windows8_or_later() const {
    return windows.major > 6 || (windows.major == 6 && windows.minor >= 2);
  }
  bool russian() const { return language == 1049; }
};

constexpr int kKindDefaultCheckbox = 1;
constexpr int kKindStatisticsCheckbox = 2;
constexpr int kKindKepinCheckbox = 4;

// `kind` from what the first screen shows: "default" when the distribution
// parameters carry no "def", "sendstat" when they carry no "stat" or
// "statpromo", "kepin_trial" for kepin offer states 2 and 3.
int ComputeLayoutKind(bool show_default, bool show_statistics, bool show_kepin);

}  // namespace lite_installer
