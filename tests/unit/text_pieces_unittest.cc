// Piece windows of a marked-up text: one child window per run.
#include <gtest/gtest.h>

#include "base/scoped_handle.h"
#include "installer/ui/text_pieces.h"

namespace lite_installer {
namespace {

std::wstring ClassOf(HWND window) {
  wchar_t name[32] = {};
  ::GetClassNameW(window, name, 32);
  return name;
}

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  ::GetWindowTextW(window, text, 256);
  return text;
}

RECT PlaceOf(HWND window, HWND parent) {
  RECT rect;
  ::GetWindowRect(window, &rect);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

class TextPiecesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_.reset(::CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 800, 400, nullptr,
                                    nullptr, nullptr, nullptr));
    ASSERT_TRUE(parent_);
    font_.reset(::CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                              L"Arial"));
    ASSERT_TRUE(font_);
  }
  base::ScopedWindow parent_;
  base::ScopedFont font_;
};

TEST_F(TextPiecesTest, LicenceLineBecomesStaticsAroundAnOwnerDrawnLinkButton) {
  const RECT rect = {10, 20, 600, 100};
  const std::vector<HWND> windows = CreateTextPieceWindows(
      parent_.get(), rect, L"By going on you accept the ((licence)).", font_.get(), false, 222, 223);
  ASSERT_EQ(windows.size(), 3u);
  EXPECT_EQ(ClassOf(windows[0]), L"Static");
  EXPECT_EQ(::GetDlgCtrlID(windows[0]), 222);
  EXPECT_EQ(TextOf(windows[0]), L"By going on you accept the ");
  EXPECT_EQ(ClassOf(windows[1]), L"Button");
  EXPECT_EQ(::GetDlgCtrlID(windows[1]), 223);
  EXPECT_EQ(TextOf(windows[1]), L"licence");
  const LONG link_style = ::GetWindowLongW(windows[1], GWL_STYLE);
  EXPECT_EQ(link_style & (WS_CHILD | WS_VISIBLE | WS_TABSTOP), WS_CHILD | WS_VISIBLE | WS_TABSTOP);
  EXPECT_EQ(link_style & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_EQ(::GetWindowLongW(windows[0], GWL_STYLE) & SS_TYPEMASK, SS_OWNERDRAW);
  EXPECT_EQ(TextOf(windows[2]), L".");
  EXPECT_EQ(::GetDlgCtrlID(windows[2]), 222);

  const int height = MeasureLineHeight(font_.get());
  ASSERT_GT(height, 0);
  const RECT first = PlaceOf(windows[0], parent_.get());
  const RECT link = PlaceOf(windows[1], parent_.get());
  EXPECT_EQ(first.left, 10);
  EXPECT_EQ(first.top, 20);
  EXPECT_EQ(first.bottom - first.top, height);
  EXPECT_EQ(first.right - first.left, MeasureTextWidth(font_.get(), L"By going on you accept the "));
  EXPECT_EQ(link.left, first.right);
  EXPECT_EQ(link.top, 20);
}

TEST_F(TextPiecesTest, WrappedCentredLinesWithExtraSpacing) {
  const int word = MeasureTextWidth(font_.get(), L"word ");
  const int width = word * 2 + word / 2;  // two words per line
  const RECT rect = {100, 50, 100 + width, 200};
  const std::vector<HWND> windows = CreateTextPieceWindows(
      parent_.get(), rect, L"word word word", font_.get(), true, 913, 914, 1);
  ASSERT_EQ(windows.size(), 2u);
  const int height = MeasureLineHeight(font_.get());
  const RECT second = PlaceOf(windows[1], parent_.get());
  EXPECT_EQ(second.top, 50 + height + 1);
  EXPECT_EQ(second.left, 100 + (width - MeasureTextWidth(font_.get(), L"word")) / 2);
  EXPECT_EQ(PlaceOf(windows[0], parent_.get()).left, 100 + (width - 2 * word) / 2);
}

TEST(PlaceTextRunsTest, LineHeightAndSpacing) {
  TextLayout layout;
  layout.runs = {{L"a", false, 0, 0, 30}, {L"b", true, 0, 30, 20}, {L"c", false, 2, 5, 10}};
  layout.line_widths = {50, 0, 15};
  layout.line_shifts = {4, 0, 7};
  const std::vector<RECT> places = PlaceTextRuns(layout, {10, 100, 200, 300}, 16, 1);
  ASSERT_EQ(places.size(), 3u);
  EXPECT_EQ(places[0].left, 14);
  EXPECT_EQ(places[0].top, 100);
  EXPECT_EQ(places[1].left, 44);
  EXPECT_EQ(places[1].right, 64);
  EXPECT_EQ(places[2].left, 22);
  EXPECT_EQ(places[2].top, 134);
  EXPECT_EQ(places[2].bottom, 150);
}

}  // namespace
}  // namespace lite_installer
