// The window's look from the layout and theme objects of the brand's look.
#include "installer/ui/window/window_look.h"

#include "base/scoped_gdi.h"
#include "installer/config/brand_info.h"
#include "installer/ui/display_scale.h"
#include "installer/ui/shadow_window.h"
#include "installer/ui/window_drawing.h"
#include "installer/ui/window_layout.h"
#include "installer/ui/window_theme.h"
#include "resource_ids.h"

namespace lite_installer {
namespace {

constexpr ImagePair kMinimizeGlyph = {IDB_FT_MINIMIZE_GLYPH, IDB_FT_MINIMIZE_GLYPH_2X};
constexpr ImagePair kCancelSprite = {IDB_PROGRESS_BUTTON, 0};

// The composed first slide (a top-down DIB section) as a picture. It is
// copied through a bottom-up section first: the picture holder takes the
// orientation of a section from the sign of its height, which GetObject
// reports positive for both kinds.
ResourceBitmap CopyComposedSlide(base::ScopedBitmap composed) {
  BITMAP info = {};
  if (!composed || !::GetObjectW(composed.get(), sizeof(info), &info)) return {};
  BITMAPINFO header = {};
  header.bmiHeader.biSize = sizeof(header.bmiHeader);
  header.bmiHeader.biWidth = info.bmWidth;
  header.bmiHeader.biHeight = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;  // bottom-up
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  base::ScopedBitmap bottom_up(::CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bottom_up) return ResourceBitmap::FromHBITMAP(composed.get());
  {
    base::ScopedScreenDC screen;
    base::ScopedBitmapDC from(screen.get(), composed.get());
    base::ScopedBitmapDC to(screen.get(), bottom_up.get());
    ::BitBlt(to.get(), 0, 0, info.bmWidth, header.bmiHeader.biHeight, from.get(), 0, 0, SRCCOPY);
  }
  // The slide is opaque: the copy's alpha is made full.
  auto* pixels = static_cast<uint32_t*>(bits);
  for (long i = 0, n = static_cast<long>(info.bmWidth) * header.bmiHeader.biHeight; i < n; ++i)
    pixels[i] |= 0xFF000000u;
  return ResourceBitmap::FromHBITMAP(bottom_up.get());
}

class ThemedLook : public WindowLook {
 public:
  explicit ThemedLook(const WindowLookInputs& in) {
    WindowLookOptions options;
    options.facetune_enabled = in.brand->FacetuneEnabled();
    options.less_contrasty = in.brand->LessContrasty();
    options.language = in.langid;
    options.windows.major = in.windows_major;
    options.windows.minor = in.windows_minor;
    options.kind = in.kind;
    layout_ = CreateWindowLayout(options);
    theme_ = CreateWindowTheme(options, layout_);
    const double f = in.scale;
    const InstallationWindowLayout& l = *layout_;
    InstallationWindowTheme& t = *theme_;

    facetune = options.facetune_enabled;
    less_contrasty = options.less_contrasty;
    scale = f;
    width = ScaleValue(l.Width(), f);
    height = ScaleValue(l.Height(), f);
    border_width = ScaleValue(l.BorderWidth(), f);
    corner_radius = ScaleValue(l.CornerRadius(), f);
    checkbox_text_gap = ScaleValue(l.CheckboxTextGap(), f);
    checkbox_text_offset = {ScaleValue(l.CheckboxTextOffset().x, f), ScaleValue(l.CheckboxTextOffset().y, f)};
    extra_line_spacing = ScaleValue(t.ExtraLineSpacing(), f);
    shadow_margin = l.ShadowMargin();

    title = ScaledRect(l.TitleRect(), f);
    stat_checkbox = ScaledRect(l.StatCheckboxRect(), f);
    default_checkbox = ScaledRect(l.DefaultCheckboxRect(), f);
    policy_link = ScaledRect(l.PolicyLinkRect(), f);
    kepin_checkbox = ScaledRect(l.KepinCheckboxRect(), f);
    install_button = ScaledRect(l.InstallButtonRect(), f);
    close_button = ScaledRect(l.CloseButtonRect(), f);
    minimize_button = ScaledRect(l.MinimizeButtonRect(), f);
    logo = ScaledRect(l.LogoRect(), f);
    licence_line = ScaledRect(l.LicenceLineRect(), f);
    progress_bar = ScaledRect(l.ProgressBarRect(), f);
    progress_text = ScaledRect(l.ProgressTextRect(), f);
    late_licence = ScaledRect(l.LateLicenceRect(), f);

    background = ResourceBitmap::LoadPair(t.WindowBackgroundPicture(), f);
    first_slide = CopyComposedSlide(t.ComposeFirstSlide());
    logo_dark = ResourceBitmap::LoadPair(t.LogoForDarkBackground(), f);
    logo_light = ResourceBitmap::LoadPair(t.LogoForLightBackground(), f);
    checkbox_sprite = ResourceBitmap::LoadPair(t.CheckboxSprite(), f);
    install_sprite = ResourceBitmap::LoadPair(t.InstallButtonSprite(), f);
    close_sprite = ResourceBitmap::LoadPair(t.CloseButtonSprite(), f);
    if (facetune) {
      minimize_sprite = ResourceBitmap::LoadPair(t.MinimizeButtonSprite(), f);
      minimize_glyph = ResourceBitmap::LoadPair(kMinimizeGlyph, f);
    }
    cancel_sprite = ResourceBitmap::LoadPair(kCancelSprite, f);
    progress_fill = ResourceBitmap::LoadPair(t.ProgressFillPicture(), f);
    progress_track = ResourceBitmap::LoadPair(t.ProgressTrackPicture(), f);

    title_text_id = t.TitleTextId();
    default_checkbox_text_id = t.DefaultCheckboxTextId();
    const ThemeColours c = t.Colours();
    title_centred = c.title_alignment == DT_CENTER;
    title_colour = {c.title, 255};
    licence_colour = {c.licence, c.licence_opacity};
    licence_link_colour = {c.licence_link, t.LicenceLinkOpacity()};
    progress_text_colour = {c.progress_text, c.progress_text_opacity};
    text_colour = c.text;
    checkbox_colour = c.checkbox_text;

    title_font = t.TitleFont();
    body_font = t.BodyFont();
    link_font = t.LinkFont();
    small_font = t.SmallFont();
    small_underlined_font = t.SmallUnderlinedFont();
    slide_brush = t.SlideBackgroundBrush();
  }

  HWND CreateShadow(HWND owner, bool visible) override {
    return shadow_.Create(owner, *theme_, visible) ? shadow_.hwnd() : nullptr;
  }
  void ApplyRegion(HWND window) const override { ApplyRoundedRegion(window, corner_radius); }

 private:
  std::shared_ptr<InstallationWindowLayout> layout_;
  std::unique_ptr<InstallationWindowTheme> theme_;
  ShadowWindow shadow_;
};

}  // namespace

std::unique_ptr<WindowLook> CreateWindowLook(const WindowLookInputs& inputs) {
  return std::make_unique<ThemedLook>(inputs);
}

}  // namespace lite_installer
