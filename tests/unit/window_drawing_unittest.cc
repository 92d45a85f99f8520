// Text with opacity, the rounded region and the shadow window.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/scoped_gdi.h"
#include "installer/ui/display_scale.h"
#include "installer/ui/shadow_window.h"
#include "installer/ui/window_drawing.h"
#include "installer/ui/window_theme.h"
#include "tests/unit/gdiplus_environment.h"

namespace lite_installer {
namespace {

const bool kGdiplus = testing_support::GdiplusEnvironment::Register();

// The darkest grey level of a white 120 × 40 bitmap after drawing "Wm" in
// black at `opacity`.
int DarkestAfterText(BYTE opacity) {
  void* bits = nullptr;
  base::ScopedBitmap bitmap = CreateScreenBitmap(120, 40, &bits);
  base::ScopedScreenDC screen;
  base::ScopedMemoryDC dc(::CreateCompatibleDC(screen.get()));
  base::ScopedSelectObject selected(dc.get(), bitmap.get());
  const RECT all = {0, 0, 120, 40};
  ::FillRect(dc.get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  base::ScopedFont font(::CreateFontW(-30, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                      NONANTIALIASED_QUALITY, 0, L"Arial"));
  DrawTextWithOpacity(dc.get(), {10, 2, 110, 38}, L"Wm", font.get(), RGB(0, 0, 0), opacity);
  ::GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  int darkest = 255;
  for (int i = 0; i < 120 * 40; ++i) darkest = std::min<int>(darkest, pixels[i] & 0xFF);
  return darkest;
}

TEST(DrawTextWithOpacityTest, TextIsBlendedWithTheConstantOpacity) {
  EXPECT_LE(DarkestAfterText(255), 2);
  // 168 of 255 black over white leaves 255 − 168 = 87.
  EXPECT_NEAR(DarkestAfterText(168), 87, 3);
  EXPECT_NEAR(DarkestAfterText(184), 71, 3);
  EXPECT_EQ(DarkestAfterText(0), 255);
}

TEST(RoundedRegionTest, CornersAreCutOnlyWithARadius) {
  base::ScopedWindow window(::CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 802, 430,
                                              nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(window);
  EXPECT_FALSE(ApplyRoundedRegion(window.get(), 0));
  EXPECT_EQ(::GetWindowRgn(window.get(), base::ScopedRegion(::CreateRectRgn(0, 0, 0, 0)).get()),
            ERROR);
  ASSERT_TRUE(ApplyRoundedRegion(window.get(), 9));
  base::ScopedRegion region(::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(::GetWindowRgn(window.get(), region.get()), ERROR);
  EXPECT_FALSE(::PtInRegion(region.get(), 0, 0));
  EXPECT_FALSE(::PtInRegion(region.get(), 801, 429));
  EXPECT_TRUE(::PtInRegion(region.get(), 9, 0));
  EXPECT_TRUE(::PtInRegion(region.get(), 401, 215));
  EXPECT_TRUE(::PtInRegion(region.get(), 801, 215));
}

TEST(ShadowPiecesTest, CornersInTheCornersEdgesBetweenThem) {
  const ShadowLayout layout = PlaceShadowPieces({818, 446}, {{{17, 17}, {17, 17}, {17, 17}, {17, 17}}},
                                                {9, 9, 9, 9});
  EXPECT_EQ(layout.corners[2].left, 801);
  EXPECT_EQ(layout.corners[2].top, 429);
  EXPECT_EQ(layout.corners[3].top, 429);
  // Left edge 9 × 412, top edge 784 × 9: the sizes of the pictures.
  EXPECT_EQ(layout.edges[0].right - layout.edges[0].left, 9);
  EXPECT_EQ(layout.edges[0].bottom - layout.edges[0].top, 412);
  EXPECT_EQ(layout.edges[1].right - layout.edges[1].left, 784);
  EXPECT_EQ(layout.edges[2].left, 809);
  EXPECT_EQ(layout.edges[3].top, 437);
}

WindowLookOptions Options(bool facetune) {
  WindowLookOptions o;
  o.facetune_enabled = facetune;
  o.windows.major = 10;
  return o;
}

uint8_t AlphaAt(HBITMAP bitmap, int x, int y) {
  BITMAP info = {};
  ::GetObjectW(bitmap, sizeof(info), &info);
  ::GdiFlush();
  const auto* row = static_cast<const uint8_t*>(info.bmBits) + y * info.bmWidthBytes;
  return row[x * 4 + 3];
}

TEST(ShadowWindowTest, ShadowSurroundsTheWindowAndLeavesItsMiddleClear) {
  for (double factor : {1.0, 2.0}) {
    SetDisplayScaleFactorForTesting(factor);
    auto layout = CreateWindowLayout(Options(true));
    auto theme = CreateWindowTheme(Options(true), layout);
    const SIZE window = {ScaleValue(802, factor), ScaleValue(430, factor)};
    base::ScopedBitmap sheet = ComposeShadowBitmap(*theme, window);
    ASSERT_TRUE(sheet);
    BITMAP info = {};
    ::GetObjectW(sheet.get(), sizeof(info), &info);
    const int m = ScaleValue(8, factor);
    EXPECT_EQ(info.bmWidth, window.cx + 2 * m);
    EXPECT_EQ(std::abs(info.bmHeight), window.cy + 2 * m);
    // Shade just below the window's bottom edge and beside it; none inside.
    EXPECT_GT(AlphaAt(sheet.get(), info.bmWidth / 2, m + window.cy + m / 4), 10);
    EXPECT_GT(AlphaAt(sheet.get(), m / 2, info.bmWidth > 0 ? std::abs(info.bmHeight) / 2 : 0), 0);
    EXPECT_EQ(AlphaAt(sheet.get(), info.bmWidth / 2, std::abs(info.bmHeight) / 2), 0);
    EXPECT_EQ(AlphaAt(sheet.get(), m + 20, m + 20), 0);
  }
  SetDisplayScaleFactorForTesting(0);
}

TEST(ShadowWindowTest, LayeredPopupOwnedByTheWindowFollowsIt) {
  SetDisplayScaleFactorForTesting(1.0);
  auto layout = CreateWindowLayout(Options(false));
  auto theme = CreateWindowTheme(Options(false), layout);
  base::ScopedWindow owner(::CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, 100, 120,
                                             728, 400, nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(owner);
  ShadowWindow shadow;
  ASSERT_TRUE(shadow.Create(owner.get(), *theme, true));
  EXPECT_TRUE(shadow.IsVisible());
  EXPECT_EQ(::GetWindow(shadow.hwnd(), GW_OWNER), owner.get());
  EXPECT_TRUE(::GetWindowLongW(shadow.hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED);
  wchar_t class_name[16] = {};
  ::GetClassNameW(shadow.hwnd(), class_name, 16);
  EXPECT_STREQ(class_name, L"Static");
  RECT rect;
  ::GetWindowRect(shadow.hwnd(), &rect);
  EXPECT_EQ(rect.left, 92);
  EXPECT_EQ(rect.top, 112);
  EXPECT_EQ(rect.right, 836);
  EXPECT_EQ(rect.bottom, 528);
  ::SetWindowPos(owner.get(), nullptr, 300, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  shadow.FollowOwner();
  ::GetWindowRect(shadow.hwnd(), &rect);
  EXPECT_EQ(rect.left, 292);
  EXPECT_EQ(rect.top, 42);
  shadow.Hide();
  EXPECT_FALSE(shadow.IsVisible());
  ShadowWindow hidden;
  ASSERT_TRUE(hidden.Create(owner.get(), *theme, false));
  EXPECT_FALSE(hidden.IsVisible());
  SetDisplayScaleFactorForTesting(0);
}

}  // namespace
}  // namespace lite_installer
