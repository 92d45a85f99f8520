// Display scale factor arithmetic and the choice between the 1x and 2x
// picture of a pair. Pure code (no Windows header).
#pragma once

#include <optional>
#include <string_view>

namespace lite_installer {

// A picture as a pair of resource ids; 0 as the 2x id: only the 1x exists.
struct ImagePair {
  int id_1x = 0;
  int id_2x = 0;

  bool operator==(const ImagePair&) const = default;
};

struct PictureChoice {
  int id = 0;
  // Device pixels per picture pixel: factor / 1 for a 1x picture, factor / 2
  // for a 2x one, so the picture always covers factor × its 1x size.
  double pixel_ratio = 1.0;
};

// The 1x picture when the factor is exactly 1 or there is no 2x picture,
// otherwise the 2x one.
PictureChoice ChoosePicture(const ImagePair& pair, double factor);

// The value of "force-device-scale-factor" as a decimal number; nullopt when
// it is not one, is not finite, or is not above 0.
std::optional<double> ParseScaleFactor(std::string_view text);

// The forced factor when there is one, else the screen's horizontal DPI / 96.
double ComputeScaleFactor(std::optional<std::string_view> forced, int screen_dpi);

// trunc(value × factor).
int ScaleValue(int value, double factor);

}  // namespace lite_installer
