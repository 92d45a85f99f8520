// Scale factor, scaling and the choice between 1x and 2x pictures.
#include <gtest/gtest.h>

#include "installer/ui/display_scale.h"
#include "installer/ui/picture_choice.h"

namespace lite_installer {
namespace {

TEST(ScaleFactorTest, ForcedValueWinsOverTheScreen) {
  EXPECT_EQ(ComputeScaleFactor("2", 96), 2.0);
  EXPECT_EQ(ComputeScaleFactor("1", 192), 1.0);
  EXPECT_EQ(ComputeScaleFactor("1.25", 96), 1.25);
}

TEST(ScaleFactorTest, ZeroOrNoNumberFallsBackToTheScreenDpi) {
  EXPECT_EQ(ComputeScaleFactor("0", 144), 1.5);
  EXPECT_EQ(ComputeScaleFactor("abc", 144), 1.5);
  EXPECT_EQ(ComputeScaleFactor("2x", 192), 2.0);
  EXPECT_EQ(ComputeScaleFactor("", 96), 1.0);
  EXPECT_EQ(ComputeScaleFactor(std::nullopt, 120), 1.25);
  // A negative factor would mirror every coordinate: not a factor.
  EXPECT_EQ(ComputeScaleFactor("-2", 96), 1.0);
  EXPECT_EQ(ComputeScaleFactor("inf", 96), 1.0);
}

TEST(ScaleFactorTest, ScaledIntegersAreTruncated) {
  EXPECT_EQ(ScaleValue(9, 1.5), 13);
  EXPECT_EQ(ScaleValue(802, 1.25), 1002);
  EXPECT_EQ(ScaleValue(7, 1.0), 7);
  const RECT r = ScaledRect({1, 3, 5, 9}, 1.5);
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(r.top, 4);
  EXPECT_EQ(r.right, 7);
  EXPECT_EQ(r.bottom, 13);
}

TEST(ScaleFactorTest, ProcessFactorIsCachedUntilReplaced) {
  SetDisplayScaleFactorForTesting(2.0);
  EXPECT_EQ(GetDisplayScaleFactor(), 2.0);
  EXPECT_EQ(Scaled(430), 860);
  SetDisplayScaleFactorForTesting(0);
  // Without the switch the screen decides (96 DPI under Xvfb and Wine).
  EXPECT_GT(GetDisplayScaleFactor(), 0.0);
}

TEST(PictureChoiceTest, OneXAtFactorOneOrWithoutTwoX) {
  const PictureChoice at_one = ChoosePicture({2021, 2022}, 1.0);
  EXPECT_EQ(at_one.id, 2021);
  EXPECT_EQ(at_one.pixel_ratio, 1.0);
  const PictureChoice only_one = ChoosePicture({2029, 0}, 2.0);
  EXPECT_EQ(only_one.id, 2029);
  EXPECT_EQ(only_one.pixel_ratio, 2.0);
}

TEST(PictureChoiceTest, TwoXOtherwiseWithItsRatio) {
  const PictureChoice at_two = ChoosePicture({2021, 2022}, 2.0);
  EXPECT_EQ(at_two.id, 2022);
  EXPECT_EQ(at_two.pixel_ratio, 1.0);
  // A 2x picture at 1.5 is drawn at 75 %.
  const PictureChoice at_one_half = ChoosePicture({2021, 2022}, 1.5);
  EXPECT_EQ(at_one_half.id, 2022);
  EXPECT_EQ(at_one_half.pixel_ratio, 0.75);
  EXPECT_EQ(ChoosePicture({2021, 2022}, 1.25).id, 2022);
}

}  // namespace
}  // namespace lite_installer
