#include "installer/ui/display_scale.h"

#include <atomic>
#include <optional>
#include <string>
#include <utility>

#include "base/scoped_gdi.h"
#include "installer/ui/picture_choice.h"

namespace lite_installer {
namespace {

std::atomic<double> g_factor{0.0};
std::optional<std::string> g_forced;

double ComputeForThisProcess() {
  const std::optional<std::string>& forced = g_forced;
  int dpi = 96;
  base::ScopedScreenDC screen;
  if (screen.get()) dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
  return ComputeScaleFactor(forced ? std::optional<std::string_view>(*forced) : std::nullopt, dpi);
}

}  // namespace

void SetForcedDisplayScaleFactor(std::optional<std::string> forced) {
  g_forced = std::move(forced);
  g_factor.store(0.0);
}

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
