// The dialog windows from template 100: sizes and places after layout, the
// end code of each button, and a dialog that runs again after it ended (the
// resume question is made once per installer window).
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "installer/config/brand_info.h"
#include "installer/config/distrib_info_params.h"
#include "installer/ui/dialogs/dialog_factory.h"
#include "installer/ui/dialogs/installer_dialog.h"
#include "installer/ui/ui_strings.h"
#include "tests/unit/gdiplus_environment.h"

namespace lite_installer {
namespace {

const bool kGdiplus = testing_support::GdiplusEnvironment::Register();

struct Seen {
  bool found = false;
  SIZE window = {};
  RECT main = {};
  RECT second = {};
  bool second_visible = false;
  bool close_visible = false;
};

RECT ChildRect(HWND dialog, int id) {
  RECT r = {};
  HWND control = ::GetDlgItem(dialog, id);
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Runs `dialog` modally while another thread waits for it, reads its
// geometry and clicks control `press` (IDCANCEL: the Escape key).
int RunAndPress(InstallerDialog& dialog, const std::wstring& caption, int press, Seen* seen) {
  std::atomic<bool> done{false};
  std::thread presser([&] {
    for (int i = 0; i < 400 && !done; ++i) {
      HWND window = ::FindWindowW(L"#32770", caption.c_str());
      if (window && ::IsWindowVisible(window)) {
        RECT r = {};
        ::GetWindowRect(window, &r);
        seen->found = true;
        seen->window = {r.right - r.left, r.bottom - r.top};
        seen->main = ChildRect(window, kDialogIdMain);
        seen->second = ChildRect(window, kDialogIdSecond);
        seen->second_visible = ::IsWindowVisible(::GetDlgItem(window, kDialogIdSecond));
        seen->close_visible = ::IsWindowVisible(::GetDlgItem(window, kDialogIdClose));
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(press, BN_CLICKED), 0);
        return;
      }
      ::Sleep(25);
    }
  });
  const int code = dialog.Run(nullptr);
  done = true;
  presser.join();
  return code;
}

TEST(InstallerDialogWindow, ClassicResumeRunsAgainWithEachButtonsEndCode) {
  std::unique_ptr<InstallerDialog> dialog = CreateClassicDialog(ClassicKind::kResume, 1033);
  int actions = 0;
  dialog->set_main_action([&] { ++actions; });
  const std::wstring caption = dialog->content().title;
  ASSERT_FALSE(caption.empty());

  Seen seen;
  EXPECT_EQ(RunAndPress(*dialog, caption, kDialogIdMain, &seen), kDialogEndMain);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(actions, 1);
  // Picture 104 (410 x 186) less its shadow margins; the pair of 120 x 28
  // buttons ends 30 from the right edge, 20 above the bottom one.
  EXPECT_EQ(seen.window.cx, 397);
  EXPECT_EQ(seen.window.cy, 174);
  EXPECT_EQ(seen.second.right, 397 - 30);
  EXPECT_EQ(seen.second.left - seen.main.right, 10);
  EXPECT_EQ(seen.main.bottom, 174 - 20);
  EXPECT_EQ(seen.main.right - seen.main.left, 120);
  EXPECT_TRUE(seen.second_visible);
  EXPECT_FALSE(seen.close_visible);
  EXPECT_FALSE(dialog->IsOpen());
  EXPECT_FALSE(dialog->End(1));

  Seen again;
  EXPECT_EQ(RunAndPress(*dialog, caption, kDialogIdSecond, &again), kDialogEndSecond);
  EXPECT_TRUE(again.found);
  EXPECT_EQ(again.window.cx, 397);
  Seen escape;
  EXPECT_EQ(RunAndPress(*dialog, caption, IDCANCEL, &escape), kDialogEndClose);
  EXPECT_EQ(actions, 1);
}

TEST(InstallerDialogWindow, RedesignedSizeFollowsItsTextsAndLoneButton) {
  // Kind 9 has neither text nor second button, kind 4 both.
  std::unique_ptr<InstallerDialog> lone = CreateRedesignedDialog(9, 1033, true);
  Seen one;
  EXPECT_EQ(RunAndPress(*lone, lone->content().title, kDialogIdClose, &one), kDialogEndClose);
  ASSERT_TRUE(one.found);
  EXPECT_FALSE(one.second_visible);
  EXPECT_TRUE(one.close_visible);
  EXPECT_EQ(one.main.right, one.window.cx - 40);
  EXPECT_EQ(one.main.bottom + 30, one.window.cy);

  std::unique_ptr<InstallerDialog> pair = CreateRedesignedDialog(4, 1033, true);
  Seen two;
  EXPECT_EQ(RunAndPress(*pair, pair->content().title, kDialogIdSecond, &two), kDialogEndSecond);
  ASSERT_TRUE(two.found);
  EXPECT_TRUE(two.second_visible);
  EXPECT_EQ(two.second.right, two.window.cx - 40);
  EXPECT_EQ(two.second.left - two.main.right, 10);
  EXPECT_GT(two.window.cy, one.window.cy);  // kind 4 has three lines of text
}

// The look follows InstallerFacetune2023: the unsupported-system notice goes
// with `enabled` alone, the notices and the resume question need
// `dialogsRedesign` too. Classic and redesigned kinds differ in their titles.
TEST(DialogFactory, LookFollowsTheBrandsFacetuneSwitches) {
  auto title = [](uint32_t id) { return LoadUiString(id, 1033); };
  DialogFactory factory;
  const DistribInfoParams params;
  BrandInfo brand;
  brand.facetune_enabled = true;
  brand.facetune_dialogs_redesign = false;
  EXPECT_EQ(factory.CreateUnsupportedSystem(brand)->content().title, title(476));
  EXPECT_EQ(factory.CreateNotice(0, brand, params)->content().title, title(453));
  EXPECT_EQ(factory.CreateResume(brand, params)->content().title, title(418));

  brand.facetune_dialogs_redesign = true;
  EXPECT_EQ(factory.CreateNotice(0, brand, params)->content().title, title(455));
  EXPECT_EQ(factory.CreateNotice(3, brand, params)->content().title, title(498));
  EXPECT_EQ(factory.CreateNotice(4, brand, params)->content().second_button, title(509));
  EXPECT_EQ(factory.CreateResume(brand, params)->content().title, title(421));

  brand.facetune_enabled = false;  // dialogsRedesign counts only with it
  EXPECT_EQ(factory.CreateUnsupportedSystem(brand)->content().title, title(474));
  EXPECT_EQ(factory.CreateNotice(4, brand, params)->content().title, title(490));
  EXPECT_EQ(CreateNotEnoughDiskSpaceDialog(brand)->content().title, title(470));

  // Notice kinds other than 0, 3 and 4 show nothing.
  const std::unique_ptr<InstallerDialog> invalid = factory.CreateNotice(1, brand, params);
  EXPECT_TRUE(invalid->content().title.empty());
  EXPECT_TRUE(invalid->content().main_button.empty());
}

TEST(DialogFactory, ErrorChooserGivesNoDialogForSuccessAndTheRedesignedKindOtherwise) {
  BrandInfo brand;
  const DistribInfoParams params;
  ErrorChooser chooser(brand, params);
  EXPECT_EQ(chooser.ForCode(0), nullptr);
  EXPECT_EQ(chooser.ForCode(4)->content().main_button, LoadUiString(504, 1033));
  EXPECT_EQ(chooser.ForCode(2)->content().second_button, LoadUiString(503, 1033));
}

}  // namespace
}  // namespace lite_installer
