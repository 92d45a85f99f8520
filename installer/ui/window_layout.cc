#include "installer/ui/window_layout.h"

namespace lite_installer {

int ComputeLayoutKind(bool show_default, bool show_statistics, bool show_kepin) {
  return (show_default ? kKindDefaultCheckbox : 0) | (show_statistics ? kKindStatisticsCheckbox : 0) |
         (show_kepin ? kKindKepinCheckbox : 0);
}

bool IsEmptyLayoutRect(const RECT& rect) {
  return rect.left == 0 && rect.top == 0 && rect.right == 0 && rect.bottom == 0;
}

std::shared_ptr<InstallationWindowLayout> CreateWindowLayout(const WindowLookOptions& options) {
  if (options.facetune_enabled) return std::make_shared<InstallationWindowLayoutFacetune>(options);
  return std::make_shared<InstallationWindowLayoutOrigin>(options.kind);
}

// --- redesigned look --------------------------------------------------------

InstallationWindowLayoutFacetune::InstallationWindowLayoutFacetune(const WindowLookOptions& options)
    : InstallationWindowLayout(options.kind), options_(options) {}

RECT InstallationWindowLayoutFacetune::ShiftByBorder(const RECT& designed) const {
  if (IsEmptyLayoutRect(designed)) return designed;
  RECT r = designed;
  r.left += 1;
  r.top += 1;
  if (designed.right < Width() - 1) r.right += 1;
  if (designed.bottom < Height() - 2) r.bottom += 1;
  return r;
}

RECT InstallationWindowLayoutFacetune::TitleRect() const { return ShiftByBorder({60, 139, 503, 357}); }

RECT InstallationWindowLayoutFacetune::DefaultCheckboxRect() const {
  const int k = kind();
  if (!(k & kKindDefaultCheckbox)) return {};
  const int bottom = Height() - 2;
  if (options_.less_contrasty) {
    const bool below_statistics = (k & kKindStatisticsCheckbox) != 0;  // kinds 3 and 7
    return ShiftByBorder({58, below_statistics ? 266 : 206, 453, bottom});
  }
  return ShiftByBorder({60, 206, 453, bottom});
}

RECT InstallationWindowLayoutFacetune::StatCheckboxRect() const {
  const int k = kind();
  if (!(k & kKindStatisticsCheckbox)) return {};
  const int bottom = Height() - 2;
  if (options_.less_contrasty) return ShiftByBorder({58, 206, 453, bottom});
  const bool below_default = (k & kKindDefaultCheckbox) != 0;  // kinds 3 and 7
  return ShiftByBorder({60, below_default ? 234 : 206, 453, bottom});
}

RECT InstallationWindowLayoutFacetune::PolicyLinkRect() const { return {61, 1, 454, 428}; }

RECT InstallationWindowLayoutFacetune::KepinCheckboxRect() const { return {}; }

RECT InstallationWindowLayoutFacetune::InstallButtonRect() const {
  return ShiftByBorder({60, 332, Width() - 1, Height() - 2});
}

RECT InstallationWindowLayoutFacetune::CloseButtonRect() const {
  return ShiftByBorder({766, 10, Width() - 1, Height() - 2});
}

RECT InstallationWindowLayoutFacetune::MinimizeButtonRect() const {
  return ShiftByBorder({722, 10, Width() - 1, Height() - 2});
}

RECT InstallationWindowLayoutFacetune::LogoRect() const { return {61, 41, 273, 79}; }

RECT InstallationWindowLayoutFacetune::LicenceLineRect() const {
  return ShiftByBorder({554, 332, 756, Height() - 2});
}

RECT InstallationWindowLayoutFacetune::ProgressBarRect() const {
  return ShiftByBorder({60, 357, 453, 362});
}

RECT InstallationWindowLayoutFacetune::ProgressTextRect() const {
  return ShiftByBorder({60, 371, 453, Height() - 2});
}

RECT InstallationWindowLayoutFacetune::LateLicenceRect() const { return {424, 350, 666, Height()}; }

int InstallationWindowLayoutFacetune::CornerRadius() const {
  return options_.windows8_or_later() ? 9 : 0;
}

int InstallationWindowLayoutFacetune::CheckboxTextGap() const {
  return options_.less_contrasty ? 8 : 12;
}

// --- origin look -------------------------------------------------------------

RECT InstallationWindowLayoutOrigin::TitleRect() const {
  return {0, kind() == 7 ? 152 : 182, Width(), 250};
}

RECT InstallationWindowLayoutOrigin::DefaultCheckboxRect() const {
  switch (kind()) {
    case 1: return {60, 305, 525, Height()};
    case 3: return {314, 305, 537, Height()};
    case 5: return {60, 294, 525, Height()};
    case 7: return {60, 250, 525, Height()};
    default: return {};
  }
}

RECT InstallationWindowLayoutOrigin::StatCheckboxRect() const {
  switch (kind()) {
    case 2:
    case 3: return {60, 305, 308, Height()};
    case 6: return {60, 309, 525, Height()};
    case 7: return {60, 310, 525, Height()};
    default: return {};
  }
}

RECT InstallationWindowLayoutOrigin::KepinCheckboxRect() const {
  int top;
  switch (kind()) {
    case 4: top = 315; break;
    case 5: top = 324; break;
    case 6: top = 279; break;
    case 7: top = 280; break;
    default: return {};
  }
  return {60, top, 525, Height()};
}

RECT InstallationWindowLayoutOrigin::PolicyLinkRect() const { return {84, 0, 310, Height() - 10}; }
RECT InstallationWindowLayoutOrigin::InstallButtonRect() const { return {557, 305, Width(), Height()}; }
RECT InstallationWindowLayoutOrigin::CloseButtonRect() const { return {698, 18, Width(), Height()}; }
RECT InstallationWindowLayoutOrigin::LogoRect() const { return {61, 41, 273, 79}; }
RECT InstallationWindowLayoutOrigin::LicenceLineRect() const { return {400, 38, 667, Height()}; }
RECT InstallationWindowLayoutOrigin::ProgressBarRect() const { return {392, 56, 684, 60}; }
RECT InstallationWindowLayoutOrigin::ProgressTextRect() const { return {352, 50, 376, 66}; }
RECT InstallationWindowLayoutOrigin::LateLicenceRect() const { return {424, 350, 666, Height()}; }

}  // namespace lite_installer
