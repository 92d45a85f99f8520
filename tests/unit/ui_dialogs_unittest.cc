#include <gtest/gtest.h>

#include "installer/ui/dialogs/dialog_kinds.h"

namespace lite_installer {
namespace {

TEST(ErrorDialogChooser, KnownCodesPickTheirKind) {
  EXPECT_EQ(ErrorDialogKindForCode(0, false), std::nullopt);
  EXPECT_EQ(ErrorDialogKindForCode(0, true), std::nullopt);
  EXPECT_EQ(ErrorDialogKindForCode(3, false), 5);
  EXPECT_EQ(ErrorDialogKindForCode(4, false), 8);
  EXPECT_EQ(ErrorDialogKindForCode(5, true), 9);
  EXPECT_EQ(ErrorDialogKindForCode(6, false), 10);
  EXPECT_EQ(ErrorDialogKindForCode(7, true), 11);
}

TEST(ErrorDialogChooser, OtherCodesOfferTheDownloadUnlessItIsDisabled) {
  for (int32_t code : {1, 2, 8, 99, -1}) {
    EXPECT_EQ(ErrorDialogKindForCode(code, false), 6) << code;
    EXPECT_EQ(ErrorDialogKindForCode(code, true), 12) << code;
  }
}

TEST(DialogKinds, RedesignedTable) {
  auto k4 = RedesignedDialogKind(4);
  ASSERT_TRUE(k4);
  EXPECT_EQ(k4->texts.title, 492u);
  EXPECT_EQ(k4->texts.main_button, 508u);
  EXPECT_EQ(k4->texts.second_button, 509u);
  auto k6 = RedesignedDialogKind(6);
  EXPECT_EQ(k6->action, DialogAction::kOpenDownloadPage);
  EXPECT_EQ(k6->texts.second_button, 503u);
  auto k8 = RedesignedDialogKind(8);
  EXPECT_EQ(k8->texts.main_button, 504u);
  EXPECT_EQ(k8->action, DialogAction::kOpenBrowserSite);
  EXPECT_EQ(RedesignedDialogKind(9)->texts.text, 0u);
  EXPECT_EQ(RedesignedDialogKind(9)->action, DialogAction::kLaunchBrowser);
  EXPECT_EQ(RedesignedDialogKind(0)->main_style, DialogButtonStyle::kSecondary);
  EXPECT_EQ(RedesignedDialogKind(7)->texts.main_button, 502u);
  EXPECT_EQ(RedesignedDialogKind(12)->texts.text, 435u);
  EXPECT_FALSE(RedesignedDialogKind(13));
  EXPECT_FALSE(RedesignedDialogKind(-1));
}

TEST(DialogKinds, ClassicTable) {
  EXPECT_EQ(ClassicDialogKind(ClassicKind::kResume).texts.main_button, 419u);
  EXPECT_EQ(ClassicDialogKind(ClassicKind::kResume).texts.text, 0u);
  EXPECT_EQ(ClassicDialogKind(ClassicKind::kNotEnoughDiskSpace).texts.title, 470u);
  EXPECT_EQ(ClassicDialogKind(ClassicKind::kUnsupportedSystem).action, DialogAction::kOpenSupportPage);
}

TEST(DialogTexts, LogPathOnItsOwnLine) {
  EXPECT_EQ(TextWithLogPath(L"Write to us.", L"C:\\t\\installer.log"), L"Write to us.\r\nC:\\t\\installer.log");
}

TEST(DialogPages, ZonesAndAddresses) {
  EXPECT_EQ(DialogDomainZone("tr"), "com.tr");
  EXPECT_EQ(DialogDomainZone("int"), "com");
  EXPECT_EQ(DialogDomainZone("ua-uk"), "ua");
  EXPECT_EQ(DialogDomainZone("ua-ru"), "ua");
  EXPECT_EQ(DialogDomainZone("kelmor"), "ru");
  EXPECT_EQ(BrowserSiteUrl("https://browser.kelmor", "int"), "https://browser.kelmor.com/?from=installer");
  EXPECT_EQ(FeedbackPageUrl("https://browser.kelmor", "tr"),
            "https://browser.kelmor.com.tr/feedback/?from=installer");
  EXPECT_EQ(SupportPageUrl("https://kelmor", "x"), "https://kelmor.ru/support/browser/about/install.xml");
}

TEST(RedesignedDialogLayout, TwoButtonsEndFortyFromTheRight) {
  const RedesignedMetrics m = ScaledRedesignedMetrics(1.0);
  const RedesignedLayout l = LayoutRedesignedDialog(m, {200, 22}, {300, 40}, {60, 16}, {40, 16});
  EXPECT_EQ(l.title, (DialogBox{30, 30, 230, 52}));
  EXPECT_EQ(l.text, (DialogBox{30, 68, 330, 108}));
  // Window: max(300 + 50, 92 + 10 + 72 + 40) + 30.
  EXPECT_EQ(l.window.width, 380);
  ASSERT_TRUE(l.second_button);
  EXPECT_EQ(*l.second_button, (DialogBox{268, 132, 340, 168}));
  EXPECT_EQ(l.main_button, (DialogBox{166, 132, 258, 168}));
  EXPECT_EQ(l.window.height, 168 + 30);
  EXPECT_EQ(l.close_button, (DialogBox{350, 10, 370, 30}));
}

TEST(RedesignedDialogLayout, WideButtonsWidenTheWindowAndScaleDoubles) {
  const RedesignedMetrics m = ScaledRedesignedMetrics(2.0);
  EXPECT_EQ(m.margin_right, 100);
  const RedesignedLayout l = LayoutRedesignedDialog(m, {50, 44}, {60, 30}, {300, 32}, {0, 0});
  EXPECT_FALSE(l.second_button);
  // Buttons: 300 + 64 = 364, + 80 from the right, + 60 on the left.
  EXPECT_EQ(l.window.width, 364 + 80 + 60);
  EXPECT_EQ(l.main_button.right, l.window.width - 80);
  EXPECT_EQ(l.main_button.left, 60);
}

}  // namespace
}  // namespace lite_installer
