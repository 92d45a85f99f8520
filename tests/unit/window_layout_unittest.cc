// The two layouts: sizes and the rectangle of every control.
#include <gtest/gtest.h>

#include "installer/ui/window_layout.h"

namespace lite_installer {
namespace {

WindowLookOptions Facetune(int kind, bool less_contrasty = false, uint32_t major = 10,
                           uint32_t minor = 0) {
  WindowLookOptions o;
  o.facetune_enabled = true;
  o.less_contrasty = less_contrasty;
  o.kind = kind;
  o.windows.major = major;
  o.windows.minor = minor;
  return o;
}

void ExpectRect(const RECT& r, LONG l, LONG t, LONG rr, LONG b) {
  EXPECT_EQ(r.left, l);
  EXPECT_EQ(r.top, t);
  EXPECT_EQ(r.right, rr);
  EXPECT_EQ(r.bottom, b);
}

bool Empty(const RECT& r) { return IsEmptyLayoutRect(r); }

TEST(LayoutKindTest, BitsOfTheOfferedCheckboxes) {
  EXPECT_EQ(ComputeLayoutKind(false, false, false), 0);
  EXPECT_EQ(ComputeLayoutKind(true, false, false), 1);
  EXPECT_EQ(ComputeLayoutKind(true, true, false), 3);
  EXPECT_EQ(ComputeLayoutKind(true, true, true), 7);
  EXPECT_EQ(ComputeLayoutKind(false, true, true), 6);
}

TEST(FacetuneLayoutTest, SizeCornersAndButtons) {
  auto layout = CreateWindowLayout(Facetune(3));
  EXPECT_EQ(layout->Width(), 802);
  EXPECT_EQ(layout->Height(), 430);
  ExpectRect(layout->BackgroundRect(), 0, 0, 802, 430);
  EXPECT_EQ(layout->BorderWidth(), 1);
  // Shifted by the border, with right and bottom kept inside.
  ExpectRect(layout->CloseButtonRect(), 767, 11, 801, 428);
  ExpectRect(layout->MinimizeButtonRect(), 723, 11, 801, 428);
  ExpectRect(layout->InstallButtonRect(), 61, 333, 801, 428);
  ExpectRect(layout->TitleRect(), 61, 140, 504, 358);
  ExpectRect(layout->ProgressBarRect(), 61, 358, 454, 363);
  ExpectRect(layout->ProgressTextRect(), 61, 372, 454, 428);
  ExpectRect(layout->LicenceLineRect(), 555, 333, 757, 428);
  // Not shifted.
  ExpectRect(layout->LogoRect(), 61, 41, 273, 79);
  ExpectRect(layout->LateLicenceRect(), 424, 350, 666, 430);
  ExpectRect(layout->PolicyLinkRect(), 61, 1, 454, 428);
  EXPECT_TRUE(Empty(layout->KepinCheckboxRect()));
  EXPECT_TRUE(Empty(layout->InstallButtonTextRect()));
  EXPECT_TRUE(Empty(layout->SpareRect1()));
  EXPECT_TRUE(Empty(layout->SpareRect2()));
  EXPECT_EQ(layout->CheckboxTextGap(), 12);
  EXPECT_EQ(layout->CheckboxTextOffset().x, 5);
  EXPECT_EQ(layout->CheckboxTextOffset().y, 5);
}

TEST(FacetuneLayoutTest, RoundCornersFromWindows8) {
  EXPECT_EQ(CreateWindowLayout(Facetune(0, false, 10))->CornerRadius(), 9);
  EXPECT_EQ(CreateWindowLayout(Facetune(0, false, 6, 2))->CornerRadius(), 9);
  EXPECT_EQ(CreateWindowLayout(Facetune(0, false, 6, 1))->CornerRadius(), 0);
}

TEST(FacetuneLayoutTest, CheckboxesByKind) {
  for (int kind : {1, 3, 5, 7}) ExpectRect(CreateWindowLayout(Facetune(kind))->DefaultCheckboxRect(), 61, 207, 454, 428);
  for (int kind : {0, 2, 4, 6}) EXPECT_TRUE(Empty(CreateWindowLayout(Facetune(kind))->DefaultCheckboxRect()));
  ExpectRect(CreateWindowLayout(Facetune(2))->StatCheckboxRect(), 61, 207, 454, 428);
  ExpectRect(CreateWindowLayout(Facetune(6))->StatCheckboxRect(), 61, 207, 454, 428);
  ExpectRect(CreateWindowLayout(Facetune(3))->StatCheckboxRect(), 61, 235, 454, 428);
  ExpectRect(CreateWindowLayout(Facetune(7))->StatCheckboxRect(), 61, 235, 454, 428);
  for (int kind : {0, 1, 4, 5}) EXPECT_TRUE(Empty(CreateWindowLayout(Facetune(kind))->StatCheckboxRect()));
}

TEST(FacetuneLayoutTest, LessContrastyPutsStatisticsAboveDefault) {
  auto layout = CreateWindowLayout(Facetune(3, true));
  const RECT statistics = layout->StatCheckboxRect();
  const RECT make_default = layout->DefaultCheckboxRect();
  ExpectRect(statistics, 59, 207, 454, 428);
  ExpectRect(make_default, 59, 267, 454, 428);
  EXPECT_LT(statistics.top, make_default.top);
  ExpectRect(CreateWindowLayout(Facetune(1, true))->DefaultCheckboxRect(), 59, 207, 454, 428);
  ExpectRect(CreateWindowLayout(Facetune(5, true))->DefaultCheckboxRect(), 59, 207, 454, 428);
  ExpectRect(CreateWindowLayout(Facetune(6, true))->StatCheckboxRect(), 59, 207, 454, 428);
  EXPECT_EQ(layout->CheckboxTextGap(), 8);
  EXPECT_EQ(layout->StackedCheckboxGap(), 4);
}

TEST(OriginLayoutTest, SizeAndFixedRectangles) {
  WindowLookOptions options;
  options.kind = 1;
  auto layout = CreateWindowLayout(options);
  EXPECT_EQ(layout->Width(), 728);
  EXPECT_EQ(layout->Height(), 400);
  EXPECT_EQ(layout->BorderWidth(), 0);
  EXPECT_EQ(layout->CornerRadius(), 0);
  EXPECT_EQ(layout->CheckboxTextGap(), 8);
  EXPECT_EQ(layout->CheckboxTextOffset().x, 0);
  ExpectRect(layout->InstallButtonRect(), 557, 305, 728, 400);
  ExpectRect(layout->CloseButtonRect(), 698, 18, 728, 400);
  EXPECT_TRUE(Empty(layout->MinimizeButtonRect()));
  ExpectRect(layout->LicenceLineRect(), 400, 38, 667, 400);
  ExpectRect(layout->ProgressBarRect(), 392, 56, 684, 60);
  ExpectRect(layout->ProgressTextRect(), 352, 50, 376, 66);
  ExpectRect(layout->LateLicenceRect(), 424, 350, 666, 400);
  ExpectRect(layout->PolicyLinkRect(), 84, 0, 310, 390);
  ExpectRect(layout->LogoRect(), 61, 41, 273, 79);
  ExpectRect(layout->TitleRect(), 0, 182, 728, 250);
}

TEST(OriginLayoutTest, RectanglesByKind) {
  auto at = [](int kind) { return InstallationWindowLayoutOrigin(kind); };
  ExpectRect(at(7).TitleRect(), 0, 152, 728, 250);
  ExpectRect(at(1).DefaultCheckboxRect(), 60, 305, 525, 400);
  ExpectRect(at(3).DefaultCheckboxRect(), 314, 305, 537, 400);
  ExpectRect(at(5).DefaultCheckboxRect(), 60, 294, 525, 400);
  ExpectRect(at(7).DefaultCheckboxRect(), 60, 250, 525, 400);
  EXPECT_TRUE(Empty(at(2).DefaultCheckboxRect()));
  ExpectRect(at(2).StatCheckboxRect(), 60, 305, 308, 400);
  ExpectRect(at(3).StatCheckboxRect(), 60, 305, 308, 400);
  ExpectRect(at(6).StatCheckboxRect(), 60, 309, 525, 400);
  ExpectRect(at(7).StatCheckboxRect(), 60, 310, 525, 400);
  EXPECT_TRUE(Empty(at(5).StatCheckboxRect()));
  ExpectRect(at(4).KepinCheckboxRect(), 60, 315, 525, 400);
  ExpectRect(at(5).KepinCheckboxRect(), 60, 324, 525, 400);
  ExpectRect(at(6).KepinCheckboxRect(), 60, 279, 525, 400);
  ExpectRect(at(7).KepinCheckboxRect(), 60, 280, 525, 400);
  EXPECT_TRUE(Empty(at(3).KepinCheckboxRect()));
}

}  // namespace
}  // namespace lite_installer
