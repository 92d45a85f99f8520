// Pictures, fonts, colours and brushes of the two looks. One theme object
// per window; it owns its fonts, its brush and (redesigned look) the
// private fonts it added.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string>

#include "base/scoped_handle.h"
#include "installer/ui/picture_choice.h"
#include "installer/ui/private_fonts.h"
#include "installer/ui/window_layout.h"
#include "installer/ui/window_look.h"
#include "resource_ids.h"

namespace lite_installer {

struct ThemeColours {
  COLORREF title = 0;
  UINT title_alignment = DT_LEFT;  // DT_LEFT or DT_CENTER
  COLORREF licence = 0;            // plain runs of the licence line (222)
  BYTE licence_opacity = 255;
  COLORREF progress_text = 0;      // 224
  BYTE progress_text_opacity = 255;
  COLORREF text = 0;               // the late licence line (913)
  COLORREF licence_link = 0;       // 223
  COLORREF checkbox_text = 0;      // 109, 110, 112
};

// Character heights in logical pixels (before scaling) and the text
// metrics of the look.
struct ThemeFontMetrics {
  int title = 0;
  int body = 0;
  int subtitle = 0;
  int large = 28;
  int medium = 15;
  int small = 11;
  int title_weight = 400;
  // Widest title block, the subtitle's top, the gap between paragraphs and
  // the line height as a multiple of the body size (for longer texts).
  int title_block_width = 304;
  int subtitle_top = 126;
  int paragraph_gap = 9;
  double line_height_ratio = 1.4;
};

enum class ShadowCorner { kTopLeft = 0, kTopRight = 1, kBottomRight = 2, kBottomLeft = 3 };
enum class ShadowEdge { kLeft = 0, kTop = 1, kRight = 2, kBottom = 3 };

class InstallationWindowTheme {
 public:
  virtual ~InstallationWindowTheme() = default;

  virtual ImagePair CheckboxSprite() const = 0;       // six 16 × 16 frames
  virtual ImagePair InstallButtonSprite() const = 0;  // three frames
  virtual ImagePair ProgressFillPicture() const = 0;
  virtual ImagePair ProgressTrackPicture() const = 0;
  // The same logos in both looks.
  ImagePair LogoForDarkBackground() const;
  ImagePair LogoForLightBackground() const;
  virtual UINT TitleTextId() const = 0;
  virtual ImagePair FirstSlidePicture() const = 0;
  virtual UINT DefaultCheckboxTextId() const { return 425; }
  virtual ThemeColours Colours() const = 0;
  HBRUSH SlideBackgroundBrush() const { return brush_.get(); }
  // Fonts, created on first use with scaled heights; owned by the theme.
  HFONT TitleFont();
  HFONT SubtitleFont();
  HFONT BodyFont();
  virtual HFONT LinkFont() = 0;
  HFONT LargeFont();
  HFONT MediumFont();
  HFONT SmallFont();
  HFONT SmallUnderlinedFont();
  // A bitmap of the layout's full size (scaled) filled with the slide
  // background brush, with the first-slide picture bottom-aligned at the
  // left: the first picture of the slide show.
  base::ScopedBitmap ComposeFirstSlide() const;
  // Whether the shadow window waits for the window's first paint (and is
  // hidden with it on minimise and close) instead of showing at once.
  virtual bool ShadowFollowsPaint() const = 0;
  virtual std::wstring TitleFamily() const = 0;
  virtual std::wstring BodyFamily() const = 0;
  virtual std::wstring SubtitleFamily() const = 0;
  virtual ThemeFontMetrics FontMetrics() const = 0;
  virtual ImagePair WindowBackgroundPicture() const = 0;
  virtual ImagePair CloseButtonSprite() const = 0;     // three frames
  virtual ImagePair MinimizeButtonSprite() const = 0;  // three frames; none in the origin look
  virtual BYTE LicenceLinkOpacity() const = 0;
  virtual ImagePair ShadowCornerPicture(ShadowCorner corner) const = 0;
  virtual ImagePair ShadowEdgePicture(ShadowEdge edge) const = 0;
  // Added between the lines of piece windows (Part of the text layout).
  virtual int ExtraLineSpacing() const = 0;

  const WindowLookOptions& options() const { return options_; }
  const InstallationWindowLayout& layout() const { return *layout_; }

 protected:
  InstallationWindowTheme(const WindowLookOptions& options,
                          std::shared_ptr<const InstallationWindowLayout> layout, COLORREF slide_background);
  HFONT MakeFont(base::ScopedFont& slot, const std::wstring& family, int size, int weight,
                 bool underline);

 private:
  WindowLookOptions options_;
  std::shared_ptr<const InstallationWindowLayout> layout_;
  base::ScopedBrush brush_;
  base::ScopedFont title_font_, subtitle_font_, body_font_, large_font_, medium_font_, small_font_,
      small_underlined_font_;

 protected:
  base::ScopedFont link_font_;
};

class InstallationWindowThemeFacetune : public InstallationWindowTheme {
 public:
  // Adds the private fonts (IDF_*, each logged); removes them when it goes.
  InstallationWindowThemeFacetune(const WindowLookOptions& options,
                                  std::shared_ptr<const InstallationWindowLayout> layout);

  ImagePair CheckboxSprite() const override;
  ImagePair InstallButtonSprite() const override { return {IDB_FT_INSTALL_BUTTON, 0}; }
  ImagePair ProgressFillPicture() const override {
    return {IDB_FT_PROGRESS_FILL, IDB_FT_PROGRESS_FILL_2X};
  }
  ImagePair ProgressTrackPicture() const override {
    return {IDB_FT_PROGRESS_TRACK, IDB_FT_PROGRESS_TRACK_2X};
  }
  UINT TitleTextId() const override { return 409; }
  ImagePair FirstSlidePicture() const override;
  ThemeColours Colours() const override;
  HFONT LinkFont() override { return BodyFont(); }
  bool ShadowFollowsPaint() const override { return true; }
  std::wstring TitleFamily() const override { return L"KS Display"; }
  std::wstring BodyFamily() const override { return L"KS Text"; }
  std::wstring SubtitleFamily() const override { return L"KS Text"; }
  ThemeFontMetrics FontMetrics() const override;
  ImagePair WindowBackgroundPicture() const override;
  ImagePair CloseButtonSprite() const override { return {IDB_FT_CLOSE, IDB_FT_CLOSE_2X}; }
  ImagePair MinimizeButtonSprite() const override { return {IDB_FT_MINIMIZE, IDB_FT_MINIMIZE_2X}; }
  BYTE LicenceLinkOpacity() const override { return 255; }
  ImagePair ShadowCornerPicture(ShadowCorner corner) const override;
  ImagePair ShadowEdgePicture(ShadowEdge edge) const override;
  int ExtraLineSpacing() const override { return 1; }

  size_t private_font_count() const { return fonts_.size(); }

 private:
  PrivateFonts fonts_;
};

class InstallationWindowThemeOrigin : public InstallationWindowTheme {
 public:
  InstallationWindowThemeOrigin(const WindowLookOptions& options,
                                std::shared_ptr<const InstallationWindowLayout> layout);

  ImagePair CheckboxSprite() const override { return {IDB_ORIGIN_CHECKBOX, 0}; }
  ImagePair InstallButtonSprite() const override { return {IDB_ORIGIN_INSTALL_BUTTON, 0}; }
  ImagePair ProgressFillPicture() const override { return {IDB_ORIGIN_PROGRESS_FILL, 0}; }
  ImagePair ProgressTrackPicture() const override { return {IDB_ORIGIN_PROGRESS_TRACK, 0}; }
  UINT TitleTextId() const override { return 408; }
  ImagePair FirstSlidePicture() const override;
  ThemeColours Colours() const override;
  HFONT LinkFont() override;
  bool ShadowFollowsPaint() const override { return false; }
  std::wstring TitleFamily() const override { return L"Arial"; }
  std::wstring BodyFamily() const override { return L"Arial"; }
  std::wstring SubtitleFamily() const override { return L"SegoeUI"; }
  ThemeFontMetrics FontMetrics() const override;
  ImagePair WindowBackgroundPicture() const override { return {IDB_ORIGIN_BACKGROUND, 0}; }
  ImagePair CloseButtonSprite() const override { return {IDB_ORIGIN_CLOSE, 0}; }
  ImagePair MinimizeButtonSprite() const override { return {}; }
  BYTE LicenceLinkOpacity() const override { return 184; }
  ImagePair ShadowCornerPicture(ShadowCorner corner) const override;
  ImagePair ShadowEdgePicture(ShadowEdge edge) const override;
  int ExtraLineSpacing() const override { return 0; }
};

// The facetune theme when InstallerFacetune2023 is enabled, else the origin.
std::unique_ptr<InstallationWindowTheme> CreateWindowTheme(
    const WindowLookOptions& options, std::shared_ptr<const InstallationWindowLayout> layout);

}  // namespace lite_installer
