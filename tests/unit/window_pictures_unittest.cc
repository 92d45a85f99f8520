// Every picture of the built resources decodes at the size the looks are
// designed for; the icons are there.
#include <gtest/gtest.h>

#include "installer/ui/resource_bitmap.h"
#include "tests/unit/gdiplus_environment.h"

namespace lite_installer {
namespace {

const bool kGdiplus = testing_support::GdiplusEnvironment::Register();

struct Expected {
  int id;
  int width;
  int height;
};

// 1x and 2x pictures; sprites are their frames side by side.
constexpr Expected kPictures[] = {
    {2021, 802, 430}, {2022, 1604, 860}, {2023, 802, 430}, {2024, 1604, 860},
    {2025, 802, 430}, {2026, 1604, 860}, {2027, 802, 430}, {2028, 1604, 860},
    {906, 728, 400},  {904, 728, 268},   {910, 728, 268},
    {903, 212, 38},   {915, 424, 76},    {905, 212, 38},   {916, 424, 76},
    {911, 212, 38},   {917, 424, 76},    {912, 212, 38},   {918, 424, 76},
    {2029, 3 * 144, 48}, {907, 3 * 112, 32}, {101, 3 * 96, 28},
    {2030, 60, 20},   {2031, 120, 40},   {2034, 60, 20},   {2035, 120, 40},
    {2036, 20, 20},   {2037, 40, 40},    {103, 36, 12},
    {2019, 96, 16},   {2020, 192, 32},   {2256, 96, 16},   {2257, 192, 32}, {902, 96, 16},
    {2038, 393, 4},   {2039, 786, 8},    {2040, 393, 4},   {2041, 786, 8},
    {908, 292, 4},    {909, 292, 4},
    {2042, 17, 17},   {2043, 17, 17},    {2044, 17, 17},   {2045, 17, 17},
    {2050, 34, 34},   {2053, 34, 34},    {2058, 17, 17},   {2061, 17, 17},
    {2062, 34, 34},   {2065, 34, 34},
    {2046, 9, 412},   {2047, 784, 9},    {2048, 9, 412},   {2049, 784, 9},
    {2054, 18, 824},  {2055, 1568, 18},  {2056, 18, 824},  {2057, 1568, 18},
    {225, 16, 16},    {228, 16, 16},     {229, 8, 1},      {230, 1, 8},     {231, 8, 1}, {232, 1, 8},
    {104, 410, 186},  {105, 360, 28},    {106, 360, 28},   {2233, 16, 16},
    {2234, 360, 40},  {2235, 720, 80},   {2236, 360, 40},  {2237, 720, 80},
    {2238, 60, 20},   {2239, 120, 40},
    {2240, 24, 24},   {2243, 24, 24},    {2244, 8, 1},     {2245, 1, 8},
    {2248, 16, 16},   {2251, 16, 16},    {2252, 8, 1},     {2255, 1, 8},
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
  const ResourceBitmap track = ResourceBitmap::LoadPair({909, 0}, 1.0);
  Gdiplus::Color pixel;
  ASSERT_EQ(track.gdiplus_bitmap()->GetPixel(100, 2, &pixel), Gdiplus::Ok);
  EXPECT_NEAR(pixel.GetA(), 77, 2);
  EXPECT_EQ(pixel.GetR(), 0);
  const ResourceBitmap fill = ResourceBitmap::LoadPair({908, 0}, 1.0);
  ASSERT_EQ(fill.gdiplus_bitmap()->GetPixel(100, 2, &pixel), Gdiplus::Ok);
  EXPECT_EQ(pixel.GetA(), 255);
  EXPECT_GT(pixel.GetR(), 200);
  EXPECT_LT(pixel.GetB(), 100);
  // Shadow corners fade out and leave the window's own corner clear.
  const ResourceBitmap corner = ResourceBitmap::LoadPair({2042, 0}, 1.0);
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
  const ResourceBitmap at_two = ResourceBitmap::LoadPair({2021, 2022}, 2.0);
  EXPECT_EQ(at_two.PictureWidth(), 1604);
  EXPECT_EQ(at_two.Width(), 1604);
  const ResourceBitmap at_one_half = ResourceBitmap::LoadPair({2021, 2022}, 1.5);
  EXPECT_EQ(at_one_half.pixel_ratio(), 0.75);
  EXPECT_EQ(at_one_half.Width(), 1203);
  EXPECT_EQ(at_one_half.Height(), 645);
  const ResourceBitmap stretched = ResourceBitmap::LoadPair({2029, 0}, 2.0);
  EXPECT_EQ(stretched.Width(), 864);
}

TEST(WindowIconsTest, IconGroupAndSiteIcon) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  EXPECT_TRUE(::FindResourceW(module, MAKEINTRESOURCEW(900), RT_GROUP_ICON));
  HICON icon = static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(900), IMAGE_ICON, 32, 32, 0));
  ASSERT_TRUE(icon);
  ::DestroyIcon(icon);
  HRSRC site = ::FindResourceW(module, MAKEINTRESOURCEW(323), L"BIN");
  ASSERT_TRUE(site);
  const auto* bytes = static_cast<const unsigned char*>(::LockResource(::LoadResource(module, site)));
  ASSERT_GT(::SizeofResource(module, site), 6u);
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(bytes[2], 1);  // an icon file
}

}  // namespace
}  // namespace lite_installer
