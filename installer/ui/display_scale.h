// The display scale factor of this process: the run's forced factor
// ("force-device-scale-factor") when it is a number above 0, else the
// screen's DPI / 96. Computed once, then cached. Every layout number, font height and margin is multiplied by
// it before use.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace lite_installer {

// The run's forced factor, if any, as given on its command line: set once at
// start-up, before the first use of the factor.
void SetForcedDisplayScaleFactor(std::optional<std::string> forced);
double GetDisplayScaleFactor();
// trunc(value × factor) with the process's factor.
int Scaled(int value);
// Each of the four coordinates scaled.
RECT ScaledRect(const RECT& rect);
RECT ScaledRect(const RECT& rect, double factor);

// Tests replace the process's factor (0 forgets it, so it is computed again).
void SetDisplayScaleFactorForTesting(double factor);

}  // namespace lite_installer
