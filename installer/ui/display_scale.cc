#include "installer/ui/display_scale.h"

#include <atomic>
#include <optional>
#include <string>

#include "base/scoped_gdi.h"
#include "installer/config/installer_command_line.h"
#include "installer/ui/picture_choice.h"

namespace lite_installer {
namespace {

std::atomic<double> g_factor{0.0};

double ComputeForThisProcess() {
  const InstallerCommandLine& command_line = InstallerCommandLine::ForCurrentProcess();
  std::optional<std::string> forced;
  if (command_line.HasSwitch("force-device-scale-factor"))
    forced = command_line.GetSwitchValueAscii("force-device-scale-factor");
  int dpi = 96;
  base::ScopedScreenDC screen;
  if (screen.get()) dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
  return ComputeScaleFactor(forced ? std::optional<std::string_view>(*forced) : std::nullopt, dpi);
}

}  // namespace

double GetDisplayScaleFactor() {
  double factor = g_factor.load();
  if (factor == 0.0) {
    factor = ComputeForThisProcess();
    g_factor.store(factor);
  }
  return factor;
}

int Scaled(int value) { return ScaleValue(value, GetDisplayScaleFactor()); }

RECT ScaledRect(const RECT& rect, double factor) {
  return {ScaleValue(rect.left, factor), ScaleValue(rect.top, factor),
          ScaleValue(rect.right, factor), ScaleValue(rect.bottom, factor)};
}

RECT ScaledRect(const RECT& rect) { return ScaledRect(rect, GetDisplayScaleFactor()); }

void SetDisplayScaleFactorForTesting(double factor) { g_factor.store(factor); }

}  // namespace lite_installer
