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

ImagePair InstallationWindowTheme::LogoForDarkBackground() const {
  return options().russian() ? ImagePair{IDB_LOGO_DARK_BG_RU, IDB_LOGO_DARK_BG_RU_2X}
                             : ImagePair{IDB_LOGO_DARK_BG, IDB_LOGO_DARK_BG_2X};
}
ImagePair InstallationWindowTheme::LogoForLightBackground() const {
  return options().russian() ? ImagePair{IDB_LOGO_LIGHT_BG_RU, IDB_LOGO_LIGHT_BG_RU_2X}
                             : ImagePair{IDB_LOGO_LIGHT_BG, IDB_LOGO_LIGHT_BG_2X};
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
  return options().less_contrasty ? ImagePair{IDB_FT_CHECKBOX_DARK, IDB_FT_CHECKBOX_DARK_2X}
                                  : ImagePair{IDB_FT_CHECKBOX, IDB_FT_CHECKBOX_2X};
}
ImagePair InstallationWindowThemeFacetune::FirstSlidePicture() const {
  return options().russian() ? ImagePair{IDB_FT_FIRST_SLIDE_RU, IDB_FT_FIRST_SLIDE_RU_2X}
                             : ImagePair{IDB_FT_FIRST_SLIDE, IDB_FT_FIRST_SLIDE_2X};
}
ImagePair InstallationWindowThemeFacetune::WindowBackgroundPicture() const {
  return options().russian() ? ImagePair{IDB_FT_BACKGROUND_RU, IDB_FT_BACKGROUND_RU_2X}
                             : ImagePair{IDB_FT_BACKGROUND, IDB_FT_BACKGROUND_2X};
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
  // In ShadowCorner's order; round on Windows 8 and later, square before.
  static constexpr ImagePair kRound[] = {
      {IDB_FT_SHADOW_CORNER_TL, IDB_FT_SHADOW_CORNER_TL_2X},
      {IDB_FT_SHADOW_CORNER_TR, IDB_FT_SHADOW_CORNER_TR_2X},
      {IDB_FT_SHADOW_CORNER_BR, IDB_FT_SHADOW_CORNER_BR_2X},
      {IDB_FT_SHADOW_CORNER_BL, IDB_FT_SHADOW_CORNER_BL_2X}};
  static constexpr ImagePair kSquare[] = {
      {IDB_FT_SHADOW_SQUARE_CORNER_TL, IDB_FT_SHADOW_SQUARE_CORNER_TL_2X},
      {IDB_FT_SHADOW_SQUARE_CORNER_TR, IDB_FT_SHADOW_SQUARE_CORNER_TR_2X},
      {IDB_FT_SHADOW_SQUARE_CORNER_BR, IDB_FT_SHADOW_SQUARE_CORNER_BR_2X},
      {IDB_FT_SHADOW_SQUARE_CORNER_BL, IDB_FT_SHADOW_SQUARE_CORNER_BL_2X}};
  const int i = static_cast<int>(corner);
  return options().windows8_or_later() ? kRound[i] : kSquare[i];
}

ImagePair InstallationWindowThemeFacetune::ShadowEdgePicture(ShadowEdge edge) const {
  // In ShadowEdge's order.
  static constexpr ImagePair kEdges[] = {
      {IDB_FT_SHADOW_EDGE_LEFT, IDB_FT_SHADOW_EDGE_LEFT_2X},
      {IDB_FT_SHADOW_EDGE_TOP, IDB_FT_SHADOW_EDGE_TOP_2X},
      {IDB_FT_SHADOW_EDGE_RIGHT, IDB_FT_SHADOW_EDGE_RIGHT_2X},
      {IDB_FT_SHADOW_EDGE_BOTTOM, IDB_FT_SHADOW_EDGE_BOTTOM_2X}};
  return kEdges[static_cast<int>(edge)];
}

// --- origin look ---------------------------------------------------------------

InstallationWindowThemeOrigin::InstallationWindowThemeOrigin(
    const WindowLookOptions& options, std::shared_ptr<const InstallationWindowLayout> layout)
    : InstallationWindowTheme(options, std::move(layout), kWhite) {}

ImagePair InstallationWindowThemeOrigin::FirstSlidePicture() const {
  return options().russian() ? ImagePair{IDB_ORIGIN_FIRST_SLIDE_RU, 0}
                             : ImagePair{IDB_ORIGIN_FIRST_SLIDE, 0};
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
  static constexpr ImagePair kCorners[] = {
      {IDB_ORIGIN_SHADOW_CORNER_TL, 0}, {IDB_ORIGIN_SHADOW_CORNER_TR, 0},
      {IDB_ORIGIN_SHADOW_CORNER_BR, 0}, {IDB_ORIGIN_SHADOW_CORNER_BL, 0}};
  return kCorners[static_cast<int>(corner)];
}

ImagePair InstallationWindowThemeOrigin::ShadowEdgePicture(ShadowEdge edge) const {
  static constexpr ImagePair kEdges[] = {
      {IDB_ORIGIN_SHADOW_EDGE_LEFT, 0}, {IDB_ORIGIN_SHADOW_EDGE_TOP, 0},
      {IDB_ORIGIN_SHADOW_EDGE_RIGHT, 0}, {IDB_ORIGIN_SHADOW_EDGE_BOTTOM, 0}};
  return kEdges[static_cast<int>(edge)];
}

}  // namespace lite_installer
