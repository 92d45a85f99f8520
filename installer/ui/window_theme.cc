#include "installer/ui/window_theme.h"

#include "base/scoped_gdi.h"
#include "installer/ui/display_scale.h"
#include "installer/ui/resource_bitmap.h"
#include "installer/ui/window_drawing.h"

namespace lite_installer {
namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

}  // namespace

std::unique_ptr<InstallationWindowTheme> CreateWindowTheme(
    const WindowLookOptions& options, std::shared_ptr<const InstallationWindowLayout> layout) {
  if (options.facetune_enabled)
    return std::make_unique<InstallationWindowThemeFacetune>(options, std::move(layout));
  return std::make_unique<InstallationWindowThemeOrigin>(options, std::move(layout));
}

InstallationWindowTheme::InstallationWindowTheme(
    const WindowLookOptions& options, std::shared_ptr<const InstallationWindowLayout> layout,
    COLORREF slide_background)
    : options_(options), layout_(std::move(layout)), brush_(::CreateSolidBrush(slide_background)) {}

HFONT InstallationWindowTheme::MakeFont(base::ScopedFont& slot, const std::wstring& family,
                                        int size, int weight, bool underline) {
  if (!slot) {
    // By family name, character set "default"; the system substitutes a
    // face when the family is not there.
    slot.reset(::CreateFontW(-Scaled(size), 0, 0, 0, weight, FALSE, underline, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, family.c_str()));
  }
  return slot.get();
}

HFONT InstallationWindowTheme::TitleFont() {
  const ThemeFontMetrics m = FontMetrics();
  return MakeFont(title_font_, TitleFamily(), m.title, m.title_weight, false);
}
HFONT InstallationWindowTheme::SubtitleFont() {
  return MakeFont(subtitle_font_, SubtitleFamily(), FontMetrics().subtitle, FW_NORMAL, false);
}
HFONT InstallationWindowTheme::BodyFont() {
  return MakeFont(body_font_, BodyFamily(), FontMetrics().body, FW_NORMAL, false);
}
HFONT InstallationWindowTheme::LargeFont() {
  return MakeFont(large_font_, BodyFamily(), FontMetrics().large, FW_NORMAL, false);
}
HFONT InstallationWindowTheme::MediumFont() {
  return MakeFont(medium_font_, BodyFamily(), FontMetrics().medium, FW_NORMAL, false);
}
HFONT InstallationWindowTheme::SmallFont() {
  return MakeFont(small_font_, BodyFamily(), FontMetrics().small, FW_NORMAL, false);
}
HFONT InstallationWindowTheme::SmallUnderlinedFont() {
  return MakeFont(small_underlined_font_, BodyFamily(), FontMetrics().small, FW_NORMAL, true);
}

base::ScopedBitmap InstallationWindowTheme::ComposeFirstSlide() const {
  const int width = Scaled(layout_->Width());
  const int height = Scaled(layout_->Height());
  base::ScopedBitmap bitmap = CreateScreenBitmap(width, height);
  if (!bitmap) return bitmap;
  base::ScopedScreenDC screen;
  base::ScopedMemoryDC dc(::CreateCompatibleDC(screen.get()));
  if (!dc) return {};
  {
    base::ScopedSelectObject selected(dc.get(), bitmap.get());
    const RECT all = {0, 0, width, height};
    ::FillRect(dc.get(), &all, brush_.get());
    const ResourceBitmap slide = ResourceBitmap::LoadPair(FirstSlidePicture());
    slide.Draw(dc.get(), 0, height - slide.Height());
  }
  return bitmap;
}

// --- redesigned look ---------------------------------------------------------

InstallationWindowThemeFacetune::InstallationWindowThemeFacetune(
    const WindowLookOptions& options, std::shared_ptr<const InstallationWindowLayout> layout)
    : InstallationWindowTheme(options, std::move(layout), RGB(207, 207, 207)) {
  fonts_.Add({kFontDisplay, kFontText, kFontTextMedium});
}

ImagePair InstallationWindowThemeFacetune::CheckboxSprite() const {
  return options().less_contrasty ? ImagePair{2256, 2257} : ImagePair{2019, 2020};
}
ImagePair InstallationWindowThemeFacetune::LogoForDarkBackground() const {
  return options().russian() ? ImagePair{911, 917} : ImagePair{903, 915};
}
ImagePair InstallationWindowThemeFacetune::LogoForLightBackground() const {
  return options().russian() ? ImagePair{912, 918} : ImagePair{905, 916};
}
ImagePair InstallationWindowThemeFacetune::FirstSlidePicture() const {
  return options().russian() ? ImagePair{2027, 2028} : ImagePair{2025, 2026};
}
ImagePair InstallationWindowThemeFacetune::WindowBackgroundPicture() const {
  return options().russian() ? ImagePair{2023, 2024} : ImagePair{2021, 2022};
}

ThemeColours InstallationWindowThemeFacetune::Colours() const {
  ThemeColours c;
  c.title = kBlack;
  c.title_alignment = DT_LEFT;
  c.licence = kBlack;
  c.licence_opacity = 168;
  c.progress_text = kBlack;
  c.progress_text_opacity = 168;
  c.text = kBlack;
  c.licence_link = kBlack;
  c.checkbox_text = kBlack;
  return c;
}

ThemeFontMetrics InstallationWindowThemeFacetune::FontMetrics() const {
  ThemeFontMetrics m;
  m.title = 36;
  m.title_weight = FW_BOLD;
  m.subtitle = 18;
  m.body = options().less_contrasty ? 12 : 13;
  return m;
}

ImagePair InstallationWindowThemeFacetune::ShadowCornerPicture(ShadowCorner corner) const {
  const int i = static_cast<int>(corner);
  if (options().windows8_or_later()) return {2042 + i, 2050 + i};
  return {2058 + i, 2062 + i};
}

ImagePair InstallationWindowThemeFacetune::ShadowEdgePicture(ShadowEdge edge) const {
  const int i = static_cast<int>(edge);
  return {2046 + i, 2054 + i};
}

// --- origin look ---------------------------------------------------------------

InstallationWindowThemeOrigin::InstallationWindowThemeOrigin(
    const WindowLookOptions& options, std::shared_ptr<const InstallationWindowLayout> layout)
    : InstallationWindowTheme(options, std::move(layout), kWhite) {}

ImagePair InstallationWindowThemeOrigin::LogoForDarkBackground() const {
  return options().russian() ? ImagePair{911, 917} : ImagePair{903, 915};
}
ImagePair InstallationWindowThemeOrigin::LogoForLightBackground() const {
  return options().russian() ? ImagePair{912, 918} : ImagePair{905, 916};
}
ImagePair InstallationWindowThemeOrigin::FirstSlidePicture() const {
  return options().russian() ? ImagePair{910, 0} : ImagePair{904, 0};
}

ThemeColours InstallationWindowThemeOrigin::Colours() const {
  ThemeColours c;
  c.title = kWhite;
  c.title_alignment = DT_CENTER;
  c.licence = kWhite;
  c.licence_opacity = 184;
  c.progress_text = kBlack;
  c.progress_text_opacity = 255;
  c.text = kBlack;
  c.licence_link = kWhite;
  c.checkbox_text = kWhite;
  return c;
}

HFONT InstallationWindowThemeOrigin::LinkFont() {
  return MakeFont(link_font_, BodyFamily(), FontMetrics().body, FW_NORMAL, true);
}

ThemeFontMetrics InstallationWindowThemeOrigin::FontMetrics() const {
  ThemeFontMetrics m;
  m.title = 32;
  m.title_weight = FW_NORMAL;
  m.subtitle = 15;
  m.body = 12;
  return m;
}

ImagePair InstallationWindowThemeOrigin::ShadowCornerPicture(ShadowCorner corner) const {
  return {225 + static_cast<int>(corner), 0};
}

ImagePair InstallationWindowThemeOrigin::ShadowEdgePicture(ShadowEdge edge) const {
  return {229 + static_cast<int>(edge), 0};
}

}  // namespace lite_installer
