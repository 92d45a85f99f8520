#include "installer/ui/picture_choice.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace lite_installer {

PictureChoice ChoosePicture(const ImagePair& pair, double factor) {
  if (factor == 1.0 || pair.id_2x == 0) return {pair.id_1x, factor};
  return {pair.id_2x, factor / 2};
}

std::optional<double> ParseScaleFactor(std::string_view text) {
  if (text.empty() || text.size() > 32) return std::nullopt;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E'))
      return std::nullopt;
  const std::string copy(text);
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !std::isfinite(value) || value <= 0) return std::nullopt;
  return value;
}

double ComputeScaleFactor(std::optional<std::string_view> forced, int screen_dpi) {
  if (forced) {
    if (const auto value = ParseScaleFactor(*forced)) return *value;
  }
  return screen_dpi > 0 ? screen_dpi / 96.0 : 1.0;
}

int ScaleValue(int value, double factor) { return static_cast<int>(std::trunc(value * factor)); }

}  // namespace lite_installer
