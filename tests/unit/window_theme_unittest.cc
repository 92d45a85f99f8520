// The two themes: pictures by language and flags, colours, fonts (the
// private ones included), and the composed first slide.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/scoped_gdi.h"
#include "installer/ui/display_scale.h"
#include "installer/ui/window_theme.h"
#include "tests/unit/gdiplus_environment.h"
#include "tests/unit/log_capture.h"

namespace lite_installer {
namespace {

const bool kGdiplus = testing_support::GdiplusEnvironment::Register();

WindowLookOptions Options(bool facetune, LANGID language = 1033, bool less_contrasty = false,
                          uint32_t major = 10, uint32_t minor = 0) {
  WindowLookOptions o;
  o.facetune_enabled = facetune;
  o.less_contrasty = less_contrasty;
  o.language = language;
  o.windows.major = major;
  o.windows.minor = minor;
  o.kind = 3;
  return o;
}

std::unique_ptr<InstallationWindowTheme> Theme(const WindowLookOptions& o) {
  return CreateWindowTheme(o, CreateWindowLayout(o));
}

class ThemeTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDisplayScaleFactorForTesting(1.0); }
  void TearDown() override { SetDisplayScaleFactorForTesting(0); }
};

TEST_F(ThemeTest, FacetunePicturesByLanguageAndFlags) {
  auto english = Theme(Options(true));
  EXPECT_EQ(english->WindowBackgroundPicture(),
            (ImagePair{IDB_FT_BACKGROUND, IDB_FT_BACKGROUND_2X}));
  EXPECT_EQ(english->FirstSlidePicture(), (ImagePair{IDB_FT_FIRST_SLIDE, IDB_FT_FIRST_SLIDE_2X}));
  EXPECT_EQ(english->LogoForDarkBackground(), (ImagePair{IDB_LOGO_DARK_BG, IDB_LOGO_DARK_BG_2X}));
  EXPECT_EQ(english->LogoForLightBackground(),
            (ImagePair{IDB_LOGO_LIGHT_BG, IDB_LOGO_LIGHT_BG_2X}));
  EXPECT_EQ(english->CheckboxSprite(), (ImagePair{IDB_FT_CHECKBOX, IDB_FT_CHECKBOX_2X}));
  EXPECT_EQ(english->InstallButtonSprite(), (ImagePair{IDB_FT_INSTALL_BUTTON, 0}));
  EXPECT_EQ(english->ProgressFillPicture(),
            (ImagePair{IDB_FT_PROGRESS_FILL, IDB_FT_PROGRESS_FILL_2X}));
  EXPECT_EQ(english->ProgressTrackPicture(),
            (ImagePair{IDB_FT_PROGRESS_TRACK, IDB_FT_PROGRESS_TRACK_2X}));
  EXPECT_EQ(english->CloseButtonSprite(), (ImagePair{IDB_FT_CLOSE, IDB_FT_CLOSE_2X}));
  EXPECT_EQ(english->MinimizeButtonSprite(), (ImagePair{IDB_FT_MINIMIZE, IDB_FT_MINIMIZE_2X}));
  EXPECT_EQ(english->ShadowCornerPicture(ShadowCorner::kTopLeft),
            (ImagePair{IDB_FT_SHADOW_CORNER_TL, IDB_FT_SHADOW_CORNER_TL_2X}));
  EXPECT_EQ(english->ShadowCornerPicture(ShadowCorner::kBottomLeft),
            (ImagePair{IDB_FT_SHADOW_CORNER_BL, IDB_FT_SHADOW_CORNER_BL_2X}));
  EXPECT_EQ(english->ShadowEdgePicture(ShadowEdge::kLeft),
            (ImagePair{IDB_FT_SHADOW_EDGE_LEFT, IDB_FT_SHADOW_EDGE_LEFT_2X}));
  EXPECT_EQ(english->ShadowEdgePicture(ShadowEdge::kBottom),
            (ImagePair{IDB_FT_SHADOW_EDGE_BOTTOM, IDB_FT_SHADOW_EDGE_BOTTOM_2X}));
  EXPECT_EQ(english->TitleTextId(), 409u);
  EXPECT_EQ(english->DefaultCheckboxTextId(), 425u);
  EXPECT_EQ(english->LicenceLinkOpacity(), 255);
  EXPECT_EQ(english->ExtraLineSpacing(), 1);
  EXPECT_TRUE(english->ShadowFollowsPaint());

  auto russian = Theme(Options(true, 1049, true));
  EXPECT_EQ(russian->WindowBackgroundPicture(),
            (ImagePair{IDB_FT_BACKGROUND_RU, IDB_FT_BACKGROUND_RU_2X}));
  EXPECT_EQ(russian->FirstSlidePicture(),
            (ImagePair{IDB_FT_FIRST_SLIDE_RU, IDB_FT_FIRST_SLIDE_RU_2X}));
  EXPECT_EQ(russian->LogoForDarkBackground(),
            (ImagePair{IDB_LOGO_DARK_BG_RU, IDB_LOGO_DARK_BG_RU_2X}));
  EXPECT_EQ(russian->LogoForLightBackground(),
            (ImagePair{IDB_LOGO_LIGHT_BG_RU, IDB_LOGO_LIGHT_BG_RU_2X}));
  EXPECT_EQ(russian->CheckboxSprite(), (ImagePair{IDB_FT_CHECKBOX_DARK, IDB_FT_CHECKBOX_DARK_2X}));

  auto windows7 = Theme(Options(true, 1033, false, 6, 1));
  EXPECT_EQ(windows7->ShadowCornerPicture(ShadowCorner::kTopLeft),
            (ImagePair{IDB_FT_SHADOW_SQUARE_CORNER_TL, IDB_FT_SHADOW_SQUARE_CORNER_TL_2X}));
  EXPECT_EQ(windows7->ShadowCornerPicture(ShadowCorner::kBottomLeft),
            (ImagePair{IDB_FT_SHADOW_SQUARE_CORNER_BL, IDB_FT_SHADOW_SQUARE_CORNER_BL_2X}));
  EXPECT_EQ(windows7->ShadowEdgePicture(ShadowEdge::kTop),
            (ImagePair{IDB_FT_SHADOW_EDGE_TOP, IDB_FT_SHADOW_EDGE_TOP_2X}));
}

TEST_F(ThemeTest, OriginPictures) {
  auto theme = Theme(Options(false));
  EXPECT_EQ(theme->WindowBackgroundPicture(), (ImagePair{IDB_ORIGIN_BACKGROUND, 0}));
  EXPECT_EQ(theme->FirstSlidePicture(), (ImagePair{IDB_ORIGIN_FIRST_SLIDE, 0}));
  EXPECT_EQ(Theme(Options(false, 1049))->FirstSlidePicture(),
            (ImagePair{IDB_ORIGIN_FIRST_SLIDE_RU, 0}));
  EXPECT_EQ(Theme(Options(false, 1049))->LogoForLightBackground(),
            (ImagePair{IDB_LOGO_LIGHT_BG_RU, IDB_LOGO_LIGHT_BG_RU_2X}));
  EXPECT_EQ(theme->CheckboxSprite(), (ImagePair{IDB_ORIGIN_CHECKBOX, 0}));
  EXPECT_EQ(theme->InstallButtonSprite(), (ImagePair{IDB_ORIGIN_INSTALL_BUTTON, 0}));
  EXPECT_EQ(theme->ProgressFillPicture(), (ImagePair{IDB_ORIGIN_PROGRESS_FILL, 0}));
  EXPECT_EQ(theme->ProgressTrackPicture(), (ImagePair{IDB_ORIGIN_PROGRESS_TRACK, 0}));
  EXPECT_EQ(theme->CloseButtonSprite(), (ImagePair{IDB_ORIGIN_CLOSE, 0}));
  EXPECT_EQ(theme->MinimizeButtonSprite(), (ImagePair{0, 0}));
  EXPECT_EQ(theme->ShadowCornerPicture(ShadowCorner::kTopRight),
            (ImagePair{IDB_ORIGIN_SHADOW_CORNER_TR, 0}));
  EXPECT_EQ(theme->ShadowEdgePicture(ShadowEdge::kRight),
            (ImagePair{IDB_ORIGIN_SHADOW_EDGE_RIGHT, 0}));
  EXPECT_EQ(theme->TitleTextId(), 408u);
  EXPECT_EQ(theme->LicenceLinkOpacity(), 184);
  EXPECT_EQ(theme->ExtraLineSpacing(), 0);
  EXPECT_FALSE(theme->ShadowFollowsPaint());
}

TEST_F(ThemeTest, Colours) {
  const ThemeColours f = Theme(Options(true))->Colours();
  EXPECT_EQ(f.title, RGB(0, 0, 0));
  EXPECT_EQ(f.title_alignment, static_cast<UINT>(DT_LEFT));
  EXPECT_EQ(f.licence, RGB(0, 0, 0));
  EXPECT_EQ(f.licence_opacity, 168);
  EXPECT_EQ(f.progress_text_opacity, 168);
  EXPECT_EQ(f.text, RGB(0, 0, 0));
  const ThemeColours o = Theme(Options(false))->Colours();
  EXPECT_EQ(o.title, RGB(255, 255, 255));
  EXPECT_EQ(o.title_alignment, static_cast<UINT>(DT_CENTER));
  EXPECT_EQ(o.licence, RGB(255, 255, 255));
  EXPECT_EQ(o.licence_opacity, 184);
  EXPECT_EQ(o.progress_text, RGB(0, 0, 0));
  EXPECT_EQ(o.progress_text_opacity, 255);
  EXPECT_EQ(o.licence_link, RGB(255, 255, 255));
}

LOGFONTW FontOf(HFONT font) {
  LOGFONTW lf = {};
  ::GetObjectW(font, sizeof(lf), &lf);
  return lf;
}

TEST_F(ThemeTest, FontsAreScaledCharacterHeightsByFamily) {
  SetDisplayScaleFactorForTesting(2.0);
  auto facetune = Theme(Options(true));
  LOGFONTW title = FontOf(facetune->TitleFont());
  EXPECT_EQ(title.lfHeight, -72);
  EXPECT_EQ(title.lfWeight, FW_BOLD);
  EXPECT_STREQ(title.lfFaceName, L"KS Display");
  EXPECT_EQ(title.lfCharSet, DEFAULT_CHARSET);
  EXPECT_EQ(FontOf(facetune->SubtitleFont()).lfHeight, -36);
  EXPECT_EQ(FontOf(facetune->BodyFont()).lfHeight, -26);
  EXPECT_STREQ(FontOf(facetune->BodyFont()).lfFaceName, L"KS Text");
  EXPECT_EQ(facetune->LinkFont(), facetune->BodyFont());
  EXPECT_EQ(FontOf(facetune->LargeFont()).lfHeight, -56);
  EXPECT_EQ(FontOf(facetune->MediumFont()).lfHeight, -30);
  EXPECT_EQ(FontOf(facetune->SmallFont()).lfHeight, -22);
  EXPECT_TRUE(FontOf(facetune->SmallUnderlinedFont()).lfUnderline);
  EXPECT_EQ(FontOf(Theme(Options(true, 1033, true))->BodyFont()).lfHeight, -24);

  SetDisplayScaleFactorForTesting(1.0);
  auto origin = Theme(Options(false));
  EXPECT_EQ(FontOf(origin->TitleFont()).lfHeight, -32);
  EXPECT_EQ(FontOf(origin->TitleFont()).lfWeight, FW_NORMAL);
  EXPECT_STREQ(FontOf(origin->TitleFont()).lfFaceName, L"Arial");
  EXPECT_STREQ(FontOf(origin->SubtitleFont()).lfFaceName, L"SegoeUI");
  EXPECT_EQ(FontOf(origin->SubtitleFont()).lfHeight, -15);
  EXPECT_EQ(FontOf(origin->BodyFont()).lfHeight, -12);
  EXPECT_TRUE(FontOf(origin->LinkFont()).lfUnderline);
  EXPECT_NE(origin->LinkFont(), origin->BodyFont());
  const ThemeFontMetrics m = origin->FontMetrics();
  EXPECT_EQ(m.large, 28);
  EXPECT_EQ(m.medium, 15);
  EXPECT_EQ(m.small, 11);
  EXPECT_EQ(m.title_block_width, 304);
  EXPECT_EQ(m.subtitle_top, 126);
  EXPECT_EQ(m.paragraph_gap, 9);
  EXPECT_EQ(m.line_height_ratio, 1.4);
}

struct SelectedFace {
  std::wstring family;
  LONG weight = 0;
};

SelectedFace FaceOf(HFONT font) {
  base::ScopedScreenDC screen;
  base::ScopedSelectObject selected(screen.get(), font);
  SelectedFace face;
  wchar_t name[LF_FACESIZE] = {};
  ::GetTextFaceW(screen.get(), LF_FACESIZE, name);
  face.family = name;
  TEXTMETRICW metrics = {};
  ::GetTextMetricsW(screen.get(), &metrics);
  face.weight = metrics.tmWeight;
  return face;
}

int CALLBACK CollectWeight(const LOGFONTW*, const TEXTMETRICW* metrics, DWORD, LPARAM param) {
  reinterpret_cast<std::vector<LONG>*>(param)->push_back(metrics->tmWeight);
  return 1;
}

// The weights of the faces that the font system knows for `family`.
std::vector<LONG> WeightsOfFamily(const wchar_t* family) {
  base::ScopedScreenDC screen;
  LOGFONTW query = {};
  query.lfCharSet = DEFAULT_CHARSET;
  ::lstrcpynW(query.lfFaceName, family, LF_FACESIZE);
  std::vector<LONG> weights;
  ::EnumFontFamiliesExW(screen.get(), &query, &CollectWeight, reinterpret_cast<LPARAM>(&weights), 0);
  std::sort(weights.begin(), weights.end());
  weights.erase(std::unique(weights.begin(), weights.end()), weights.end());
  return weights;
}

TEST_F(ThemeTest, FacetuneAddsItsPrivateFontsAndTheyAreUsed) {
  EXPECT_TRUE(WeightsOfFamily(L"KS Text").empty());
  testing_support::LogCapture log;
  {
    auto theme = CreateWindowTheme(Options(true), CreateWindowLayout(Options(true)));
    auto* facetune = static_cast<InstallationWindowThemeFacetune*>(theme.get());
    EXPECT_EQ(facetune->private_font_count(), 3u);
    EXPECT_TRUE(log.Has("1 font(s) added, id=" + std::to_string(IDF_KS_DISPLAY), "AddPrivateFont"))
        << log.Dump();
    EXPECT_TRUE(log.Has("1 font(s) added, id=" + std::to_string(IDF_KS_TEXT), "AddPrivateFont"));
    EXPECT_TRUE(
        log.Has("1 font(s) added, id=" + std::to_string(IDF_KS_TEXT_MEDIUM), "AddPrivateFont"));
    const SelectedFace title = FaceOf(theme->TitleFont());
    EXPECT_EQ(title.family, L"KS Display");
    EXPECT_EQ(title.weight, FW_BOLD);
    const SelectedFace body = FaceOf(theme->BodyFont());
    EXPECT_EQ(body.family, L"KS Text");
    EXPECT_EQ(body.weight, FW_NORMAL);
    // Regular and medium are one family for the font mapper.
    EXPECT_EQ(WeightsOfFamily(L"KS Text"), (std::vector<LONG>{FW_NORMAL, FW_MEDIUM}));
  }
  // The theme removes them again; Wine 8 keeps removed memory fonts, so
  // that is not observable here.
  // The origin theme adds none.
  testing_support::LogCapture origin_log;
  Theme(Options(false));
  EXPECT_FALSE(origin_log.Contains("font(s) added"));
}

TEST(PrivateFontsTest, MissingFontIsLogged) {
  testing_support::LogCapture log;
  PrivateFonts fonts;
  EXPECT_EQ(fonts.Add({2099}), 0);
  EXPECT_TRUE(log.Has("Unable to find font id=2099 in resources", "AddPrivateFont")) << log.Dump();
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
  base::ScopedScreenDC screen;
  base::ScopedMemoryDC dc(::CreateCompatibleDC(screen.get()));
  base::ScopedSelectObject selected(dc.get(), bitmap);
  return ::GetPixel(dc.get(), x, y);
}

TEST_F(ThemeTest, FirstSlideIsTheBrushWithThePictureAtTheBottomLeft) {
  for (double factor : {1.0, 2.0}) {
    SetDisplayScaleFactorForTesting(factor);
    auto origin = Theme(Options(false));
    base::ScopedBitmap slide = origin->ComposeFirstSlide();
    ASSERT_TRUE(slide);
    BITMAP info = {};
    ::GetObjectW(slide.get(), sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, ScaleValue(728, factor));
    EXPECT_EQ(std::abs(info.bmHeight), ScaleValue(400, factor));
    // Above the 268-pixel picture: the white brush.
    EXPECT_EQ(PixelOf(slide.get(), 5, ScaleValue(100, factor)), RGB(255, 255, 255));
    // The picture's lower edge is a light blue-grey, not the brush.
    const COLORREF bottom = PixelOf(slide.get(), 5, ScaleValue(398, factor));
    EXPECT_NE(bottom, RGB(255, 255, 255));
    EXPECT_GT(GetBValue(bottom), GetRValue(bottom));
  }
  SetDisplayScaleFactorForTesting(1.0);
  auto facetune = Theme(Options(true));
  base::ScopedBitmap slide = facetune->ComposeFirstSlide();
  ASSERT_TRUE(slide);
  // The full-size picture covers the grey brush.
  EXPECT_NE(PixelOf(slide.get(), 5, 5), RGB(207, 207, 207));
}

}  // namespace
}  // namespace lite_installer
