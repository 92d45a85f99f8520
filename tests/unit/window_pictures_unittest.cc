// Every id of resources/resource_ids.h is in the built resources, and every
// picture there has an id in it; every picture decodes at the size the looks
// are designed for; the icons are there.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <set>
#include <string>
#include <string_view>

#include "base/scoped_handle.h"
#include "installer/ui/resource_bitmap.h"
#include "resource_ids.h"
#include "tests/unit/gdiplus_environment.h"

namespace lite_installer {
namespace {

const bool kGdiplus = testing_support::GdiplusEnvironment::Register();

struct HeaderId {
  std::string_view name;
  int id;
};

// Every "#define" of the header: the build makes the list from it.
constexpr HeaderId kHeaderIds[] = {
#define KELMOR_RESOURCE_ID(name) {#name, name},
#include "resource_id_list.inc"
#undef KELMOR_RESOURCE_ID
};

bool HasResource(int id, const wchar_t* type) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
  return found && ::SizeofResource(module, found) > 0;
}

INT_PTR CALLBACK NoDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The dialog template `id` made into a (hidden) window, for its controls.
base::ScopedWindow CreateTemplateDialog(int id) {
  return base::ScopedWindow(::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                                 nullptr, &NoDialogProc, 0));
}

TEST(ResourceIdsTest, EveryIdOfTheHeaderIsInTheResources) {
  ASSERT_GT(std::size(kHeaderIds), 100u);
  const INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  const base::ScopedWindow main_window = CreateTemplateDialog(IDD_MAIN_WINDOW);
  const base::ScopedWindow dialog = CreateTemplateDialog(IDD_INSTALLER_DIALOG);
  ASSERT_TRUE(main_window.get());
  ASSERT_TRUE(dialog.get());
  for (const HeaderId& entry : kHeaderIds) {
    const std::string_view name = entry.name;
    SCOPED_TRACE(std::string(name));
    if (name.starts_with("IDB_")) {
      EXPECT_FALSE(ResourceBitmap::LoadPair({entry.id, 0}, 1.0).empty());
    } else if (name.starts_with("IDI_")) {
      HICON icon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(entry.id),
                                                   IMAGE_ICON, 32, 32, 0));
      EXPECT_TRUE(icon);
      if (icon) ::DestroyIcon(icon);
    } else if (name.starts_with("IDF_")) {
      EXPECT_TRUE(HasResource(entry.id, RT_FONT));
    } else if (name.starts_with("IDD_")) {
      EXPECT_TRUE(HasResource(entry.id, RT_DIALOG));
    } else if (name.starts_with("IDC_MAIN_")) {
      EXPECT_TRUE(::GetDlgItem(main_window.get(), entry.id));
    } else if (name.starts_with("IDC_DIALOG_")) {
      EXPECT_TRUE(::GetDlgItem(dialog.get(), entry.id));
    } else if (name == "IDR_PARTNER_PACKAGE") {
      // There only when the build names a partner package (this one does
      // not); the brand package tests cover it.
      EXPECT_FALSE(HasResource(entry.id, L"BIN"));
    } else if (name.starts_with("IDR_")) {
      EXPECT_TRUE(HasResource(entry.id, L"BIN"));
    } else {
      ADD_FAILURE() << "no check for this kind of id";
    }
  }
}

BOOL CALLBACK CollectId(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR ids) {
  if (IS_INTRESOURCE(name))
    reinterpret_cast<std::set<int>*>(ids)->insert(static_cast<int>(reinterpret_cast<uintptr_t>(name)));
  return TRUE;
}

TEST(ResourceIdsTest, EveryPictureOfTheResourcesHasAnIdInTheHeader) {
  std::set<int> pictures;
  ::EnumResourceNamesW(::GetModuleHandleW(nullptr), RT_RCDATA, &CollectId,
                       reinterpret_cast<LONG_PTR>(&pictures));
  std::set<int> named;
  for (const HeaderId& entry : kHeaderIds)
    if (entry.name.starts_with("IDB_")) named.insert(entry.id);
  EXPECT_EQ(pictures, named);
}

struct Expected {
  int id;
  int width;
  int height;
};

// 1x and 2x pictures; sprites are their frames side by side.
constexpr Expected kPictures[] = {
    {IDB_FT_BACKGROUND, 802, 430},
    {IDB_FT_BACKGROUND_2X, 1604, 860},
    {IDB_FT_BACKGROUND_RU, 802, 430},
    {IDB_FT_BACKGROUND_RU_2X, 1604, 860},
    {IDB_FT_FIRST_SLIDE, 802, 430},
    {IDB_FT_FIRST_SLIDE_2X, 1604, 860},
    {IDB_FT_FIRST_SLIDE_RU, 802, 430},
    {IDB_FT_FIRST_SLIDE_RU_2X, 1604, 860},
    {IDB_ORIGIN_BACKGROUND, 728, 400},
    {IDB_ORIGIN_FIRST_SLIDE, 728, 268},
    {IDB_ORIGIN_FIRST_SLIDE_RU, 728, 268},
    {IDB_LOGO_DARK_BG, 212, 38},
    {IDB_LOGO_DARK_BG_2X, 424, 76},
    {IDB_LOGO_LIGHT_BG, 212, 38},
    {IDB_LOGO_LIGHT_BG_2X, 424, 76},
    {IDB_LOGO_DARK_BG_RU, 212, 38},
    {IDB_LOGO_DARK_BG_RU_2X, 424, 76},
    {IDB_LOGO_LIGHT_BG_RU, 212, 38},
    {IDB_LOGO_LIGHT_BG_RU_2X, 424, 76},
    {IDB_FT_INSTALL_BUTTON, 3 * 144, 48},
    {IDB_ORIGIN_INSTALL_BUTTON, 3 * 112, 32},
    {IDB_PROGRESS_BUTTON, 3 * 96, 28},
    {IDB_FT_CLOSE, 60, 20},
    {IDB_FT_CLOSE_2X, 120, 40},
    {IDB_FT_MINIMIZE, 60, 20},
    {IDB_FT_MINIMIZE_2X, 120, 40},
    {IDB_FT_MINIMIZE_GLYPH, 20, 20},
    {IDB_FT_MINIMIZE_GLYPH_2X, 40, 40},
    {IDB_ORIGIN_CLOSE, 36, 12},
    {IDB_FT_CHECKBOX, 96, 16},
    {IDB_FT_CHECKBOX_2X, 192, 32},
    {IDB_FT_CHECKBOX_DARK, 96, 16},
    {IDB_FT_CHECKBOX_DARK_2X, 192, 32},
    {IDB_ORIGIN_CHECKBOX, 96, 16},
    {IDB_FT_PROGRESS_FILL, 393, 4},
    {IDB_FT_PROGRESS_FILL_2X, 786, 8},
    {IDB_FT_PROGRESS_TRACK, 393, 4},
    {IDB_FT_PROGRESS_TRACK_2X, 786, 8},
    {IDB_ORIGIN_PROGRESS_FILL, 292, 4},
    {IDB_ORIGIN_PROGRESS_TRACK, 292, 4},
    {IDB_FT_SHADOW_CORNER_TL, 17, 17},
    {IDB_FT_SHADOW_CORNER_TR, 17, 17},
    {IDB_FT_SHADOW_CORNER_BR, 17, 17},
    {IDB_FT_SHADOW_CORNER_BL, 17, 17},
    {IDB_FT_SHADOW_CORNER_TL_2X, 34, 34},
    {IDB_FT_SHADOW_CORNER_BL_2X, 34, 34},
    {IDB_FT_SHADOW_SQUARE_CORNER_TL, 17, 17},
    {IDB_FT_SHADOW_SQUARE_CORNER_BL, 17, 17},
    {IDB_FT_SHADOW_SQUARE_CORNER_TL_2X, 34, 34},
    {IDB_FT_SHADOW_SQUARE_CORNER_BL_2X, 34, 34},
    {IDB_FT_SHADOW_EDGE_LEFT, 9, 412},
    {IDB_FT_SHADOW_EDGE_TOP, 784, 9},
    {IDB_FT_SHADOW_EDGE_RIGHT, 9, 412},
    {IDB_FT_SHADOW_EDGE_BOTTOM, 784, 9},
    {IDB_FT_SHADOW_EDGE_LEFT_2X, 18, 824},
    {IDB_FT_SHADOW_EDGE_TOP_2X, 1568, 18},
    {IDB_FT_SHADOW_EDGE_RIGHT_2X, 18, 824},
    {IDB_FT_SHADOW_EDGE_BOTTOM_2X, 1568, 18},
    {IDB_ORIGIN_SHADOW_CORNER_TL, 16, 16},
    {IDB_ORIGIN_SHADOW_CORNER_BL, 16, 16},
    {IDB_ORIGIN_SHADOW_EDGE_LEFT, 8, 1},
    {IDB_ORIGIN_SHADOW_EDGE_TOP, 1, 8},
    {IDB_ORIGIN_SHADOW_EDGE_RIGHT, 8, 1},
    {IDB_ORIGIN_SHADOW_EDGE_BOTTOM, 1, 8},
    {IDB_DIALOG_BACKGROUND, 410, 186},
    {IDB_DIALOG_BUTTON_MAIN, 360, 28},
    {IDB_DIALOG_BUTTON_SECOND, 360, 28},
    {IDB_DIALOG_PANEL, 16, 16},
    {IDB_DIALOG_BUTTON_PRIMARY, 360, 40},
    {IDB_DIALOG_BUTTON_PRIMARY_2X, 720, 80},
    {IDB_DIALOG_BUTTON_SECONDARY, 360, 40},
    {IDB_DIALOG_BUTTON_SECONDARY_2X, 720, 80},
    {IDB_DIALOG_CLOSE, 60, 20},
    {IDB_DIALOG_CLOSE_2X, 120, 40},
    {IDB_DIALOG_SHADOW_CORNER_TL, 24, 24},
    {IDB_DIALOG_SHADOW_CORNER_BL, 24, 24},
    {IDB_DIALOG_SHADOW_EDGE_LEFT, 8, 1},
    {IDB_DIALOG_SHADOW_EDGE_TOP, 1, 8},
    {IDB_DIALOG_SHADOW_SQUARE_CORNER_TL, 16, 16},
    {IDB_DIALOG_SHADOW_SQUARE_CORNER_BL, 16, 16},
    {IDB_DIALOG_SHADOW_SQUARE_EDGE_LEFT, 8, 1},
    {IDB_DIALOG_SHADOW_SQUARE_EDGE_BOTTOM, 1, 8},
};

TEST(WindowPicturesTest, EveryPictureDecodesAtItsDesignedSize) {
  for (const Expected& e : kPictures) {
    const ResourceBitmap picture = ResourceBitmap::LoadPair({e.id, 0}, 1.0);
    ASSERT_FALSE(picture.empty()) << e.id;
    EXPECT_EQ(picture.PictureWidth(), e.width) << e.id;
    EXPECT_EQ(picture.PictureHeight(), e.height) << e.id;
  }
}

TEST(WindowPicturesTest, SpritesAreTranslucentWhereTheyShouldBe) {
  // The origin track is black at 30 % alpha; the fill is opaque yellow.
  const ResourceBitmap track = ResourceBitmap::LoadPair({IDB_ORIGIN_PROGRESS_TRACK, 0}, 1.0);
  Gdiplus::Color pixel;
  ASSERT_EQ(track.gdiplus_bitmap()->GetPixel(100, 2, &pixel), Gdiplus::Ok);
  EXPECT_NEAR(pixel.GetA(), 77, 2);
  EXPECT_EQ(pixel.GetR(), 0);
  const ResourceBitmap fill = ResourceBitmap::LoadPair({IDB_ORIGIN_PROGRESS_FILL, 0}, 1.0);
  ASSERT_EQ(fill.gdiplus_bitmap()->GetPixel(100, 2, &pixel), Gdiplus::Ok);
  EXPECT_EQ(pixel.GetA(), 255);
  EXPECT_GT(pixel.GetR(), 200);
  EXPECT_LT(pixel.GetB(), 100);
  // Shadow corners fade out and leave the window's own corner clear.
  const ResourceBitmap corner = ResourceBitmap::LoadPair({IDB_FT_SHADOW_CORNER_TL, 0}, 1.0);
  ASSERT_EQ(corner.gdiplus_bitmap()->GetPixel(16, 16, &pixel), Gdiplus::Ok);
  EXPECT_EQ(pixel.GetA(), 0);
  ASSERT_EQ(corner.gdiplus_bitmap()->GetPixel(7, 12, &pixel), Gdiplus::Ok);
  EXPECT_GT(pixel.GetA(), 0);
}

TEST(WindowPicturesTest, MissingPictureStaysEmpty) {
  const ResourceBitmap missing = ResourceBitmap::LoadPair({4242, 0}, 1.0);
  EXPECT_TRUE(missing.empty());
  EXPECT_EQ(missing.Width(), 0);
}

TEST(WindowPicturesTest, PixelRatioFollowsTheChoice) {
  const ResourceBitmap at_two = ResourceBitmap::LoadPair({IDB_FT_BACKGROUND, IDB_FT_BACKGROUND_2X}, 2.0);
  EXPECT_EQ(at_two.PictureWidth(), 1604);
  EXPECT_EQ(at_two.Width(), 1604);
  const ResourceBitmap at_one_half = ResourceBitmap::LoadPair({IDB_FT_BACKGROUND, IDB_FT_BACKGROUND_2X}, 1.5);
  EXPECT_EQ(at_one_half.pixel_ratio(), 0.75);
  EXPECT_EQ(at_one_half.Width(), 1203);
  EXPECT_EQ(at_one_half.Height(), 645);
  const ResourceBitmap stretched = ResourceBitmap::LoadPair({IDB_FT_INSTALL_BUTTON, 0}, 2.0);
  EXPECT_EQ(stretched.Width(), 864);
}

TEST(WindowIconsTest, IconGroupAndSiteIcon) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  EXPECT_TRUE(::FindResourceW(module, MAKEINTRESOURCEW(IDI_KELMOR), RT_GROUP_ICON));
  HRSRC site = ::FindResourceW(module, MAKEINTRESOURCEW(IDR_SITE_ICON), L"BIN");
  ASSERT_TRUE(site);
  const auto* bytes = static_cast<const unsigned char*>(::LockResource(::LoadResource(module, site)));
  ASSERT_GT(::SizeofResource(module, site), 6u);
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(bytes[2], 1);  // an icon file
}

}  // namespace
}  // namespace lite_installer
