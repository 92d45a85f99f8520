// The owner-drawn controls: pictures, sprite frames, checkbox states, the
// progress bar's painting and the accessible names and values.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>
#include <objbase.h>
#include <oleacc.h>

#include <memory>
#include <string>
#include <vector>

#include "installer/ui/controls/accessible_proxy.h"
#include "installer/ui/controls/control_painting.h"
#include "installer/ui/controls/custom_progress_bar.h"
#include "installer/ui/controls/initial_checkbox_states.h"
#include "installer/ui/resource_bitmap.h"
#include "installer/ui/controls/sprite_button.h"
#include "installer/ui/controls/sprite_checkbox.h"
#include "installer/ui/controls/subclassed_window.h"
#include "tests/unit/log_capture.h"

namespace lite_installer {
namespace {

// GDI+, COM and a plain parent window for the controls under test.
class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
    parent_ = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override {
    if (parent_) ::DestroyWindow(parent_);
    Gdiplus::GdiplusShutdown(token_);
    ::CoUninitialize();
  }

  HWND Child(const wchar_t* cls, DWORD style, int x, int y, int w, int h, const wchar_t* text = L"") {
    return ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent_,
                             nullptr, nullptr, nullptr);
  }

  ULONG_PTR token_ = 0;
  HWND parent_ = nullptr;
};

// A 32-bit top-down bitmap of solid colour runs: `colours` side by side,
// each `frame` pixels wide.
HBITMAP MakeStripes(std::initializer_list<COLORREF> colours, int frame, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = frame * static_cast<int>(colours.size());
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  auto* pixels = static_cast<uint32_t*>(bits);
  int i = 0;
  for (COLORREF c : colours) {
    uint32_t bgra = 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < frame; ++x) pixels[y * info.bmiHeader.biWidth + i * frame + x] = bgra;
    ++i;
  }
  return bitmap;
}

ResourceBitmap Stripes(std::initializer_list<COLORREF> colours, int frame, int height) {
  HBITMAP source = MakeStripes(colours, frame, height);
  ResourceBitmap bitmap = ResourceBitmap::FromHBITMAP(source);
  ::DeleteObject(source);
  return bitmap;
}

// An off-screen canvas to paint into and read back.
class Canvas {
 public:
  Canvas(int w, int h, COLORREF fill = RGB(255, 255, 255)) {
    HDC screen = ::GetDC(nullptr);
    dc_ = ::CreateCompatibleDC(screen);
    bitmap_ = ::CreateCompatibleBitmap(screen, w, h);
    ::ReleaseDC(nullptr, screen);
    old_ = ::SelectObject(dc_, bitmap_);
    RECT all = {0, 0, w, h};
    HBRUSH brush = ::CreateSolidBrush(fill);
    ::FillRect(dc_, &all, brush);
    ::DeleteObject(brush);
  }
  ~Canvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const { return ::GetPixel(dc_, x, y) & 0xFFFFFF; }
  // Pixels in the rectangle that differ from `colour`.
  int CountOther(const RECT& r, COLORREF colour) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += At(x, y) != colour;
    return n;
  }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

TEST_F(ControlsTest, BitmapCopiesKeepTheirSizeAndEmptyDrawsNothing) {
  ResourceBitmap bitmap = Stripes({RGB(255, 0, 0), RGB(0, 0, 255)}, 10, 6);
  ASSERT_FALSE(bitmap.empty());
  EXPECT_EQ(bitmap.Width(), 20);
  EXPECT_EQ(bitmap.Height(), 6);
  Canvas canvas(40, 12);
  // A part drawn twice as large comes only from that part.
  DrawPartStretched(canvas.dc(), bitmap, RECT{0, 0, 20, 12}, RECT{10, 0, 20, 6});
  EXPECT_EQ(canvas.CountOther(RECT{0, 0, 20, 12}, RGB(0, 0, 255)), 0);
  EXPECT_EQ(canvas.At(30, 6), RGB(255, 255, 255));

  ResourceBitmap empty;
  EXPECT_EQ(empty.Width(), 0);
  EXPECT_EQ(empty.Height(), 0);
  empty.Draw(canvas.dc(), 0, 0, 40, 12, 0, 0, 40, 12);
  DrawPartStretched(canvas.dc(), empty, RECT{20, 0, 40, 12}, RECT{0, 0, 20, 6});
  EXPECT_EQ(canvas.At(30, 6), RGB(255, 255, 255));
}

TEST_F(ControlsTest, MissingPicturesAndBadBitmapsAreLoggedAndEmpty) {
  testing_support::LogCapture log;
  EXPECT_TRUE(ResourceBitmap::LoadPair(ImagePair{31999, 0}, 1.0).empty());
  EXPECT_TRUE(log.HasPrefix("Failed to load a bitmap")) << log.Dump();
  EXPECT_TRUE(ResourceBitmap::FromHBITMAP(nullptr).empty());
  EXPECT_TRUE(log.Has("Failed to construct a ResourceBitmap from HBITMAP")) << log.Dump();
}

TEST(CheckboxFrames, PressedBeatsHotAndCheckedAddsThree) {
  EXPECT_EQ(CheckboxFrameIndex(false, false, false), 0);
  EXPECT_EQ(CheckboxFrameIndex(false, true, false), 1);
  EXPECT_EQ(CheckboxFrameIndex(false, true, true), 2);
  EXPECT_EQ(CheckboxFrameIndex(true, false, false), 3);
  EXPECT_EQ(CheckboxFrameIndex(true, true, false), 4);
  EXPECT_EQ(CheckboxFrameIndex(true, false, true), 5);
}

TEST(InitialCheckboxStates, FollowTheBrandTheSystemAndTheOffer) {
  CheckboxStateInputs in;
  CheckboxStates out = ComputeInitialCheckboxStates(in);
  EXPECT_TRUE(out.default_allowed);
  EXPECT_TRUE(out.default_checked);
  EXPECT_TRUE(out.sendstat_checked);
  EXPECT_FALSE(out.kepin_created);

  in.make_browser_default = 1;
  in.send_statistics = 2;
  out = ComputeInitialCheckboxStates(in);
  EXPECT_TRUE(out.default_checked);
  EXPECT_FALSE(out.sendstat_checked);

  in.make_browser_default = 2;
  EXPECT_FALSE(ComputeInitialCheckboxStates(in).default_checked);

  // Open mode on a system where the installer cannot make it the default.
  in.make_browser_default = 1;
  in.can_make_default = false;
  out = ComputeInitialCheckboxStates(in);
  EXPECT_FALSE(out.default_allowed);
  EXPECT_FALSE(out.default_checked);
  in.open_mode = false;
  EXPECT_TRUE(ComputeInitialCheckboxStates(in).default_allowed);

  in.kepin_offer_state = 2;
  out = ComputeInitialCheckboxStates(in);
  EXPECT_TRUE(out.kepin_created);
  EXPECT_TRUE(out.kepin_checked);
  in.kepin_offer_state = 3;
  out = ComputeInitialCheckboxStates(in);
  EXPECT_TRUE(out.kepin_created);
  EXPECT_FALSE(out.kepin_checked);
  in.kepin_offer_state = 1;
  EXPECT_FALSE(ComputeInitialCheckboxStates(in).kepin_created);
}

TEST(InitialCheckboxStates, MakingDefaultDependsOnTheWindowsVersion) {
  EXPECT_TRUE(CanMakeBrowserDefault(6, 1, false));   // 7
  EXPECT_TRUE(CanMakeBrowserDefault(5, 1, false));   // XP
  EXPECT_FALSE(CanMakeBrowserDefault(6, 2, true));   // 8
  EXPECT_FALSE(CanMakeBrowserDefault(6, 3, true));   // 8.1
  EXPECT_TRUE(CanMakeBrowserDefault(10, 0, true));
  EXPECT_FALSE(CanMakeBrowserDefault(10, 0, false));
}

TEST(ProgressDone, IntegerShareOfTheWidth) {
  EXPECT_EQ(ProgressDoneWidth(393, 0, 100, 0), 0);
  EXPECT_EQ(ProgressDoneWidth(393, 0, 100, 100), 393);
  EXPECT_EQ(ProgressDoneWidth(393, 0, 100, 42), 165);
  EXPECT_EQ(ProgressDoneWidth(292, 0, 100, 79), 230);
  EXPECT_EQ(ProgressDoneWidth(292, 0, 0, 79), 0);
  EXPECT_EQ(ProgressDoneWidth(292, 0, 100, 150), 292);
}

TEST_F(ControlsTest, ProgressBarDrawsTrackAtZeroFillAtHundredAndSplitsBetween) {
  HWND bar = Child(PROGRESS_CLASSW, 0, 10, 20, 100, 4);
  ASSERT_NE(bar, nullptr);
  CustomProgressBar progress(bar);
  progress.SetImages(Stripes({RGB(255, 0, 0)}, 100, 4), Stripes({RGB(0, 0, 255)}, 100, 4), {});
  progress.SetRange(0, 100);
  auto paint = [&](Canvas& canvas) {
    ::SendMessageW(bar, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
  };
  struct Case {
    int pos;
    int red;
  } cases[] = {{0, 0}, {100, 100}, {30, 30}};
  for (const Case& c : cases) {
    progress.SetPos(c.pos);
    EXPECT_EQ(progress.GetPos(), c.pos);
    Canvas canvas(100, 4);
    paint(canvas);
    EXPECT_EQ(canvas.CountOther(RECT{0, 0, c.red, 4}, RGB(255, 0, 0)), 0) << c.pos;
    EXPECT_EQ(canvas.CountOther(RECT{c.red, 0, 100, 4}, RGB(0, 0, 255)), 0) << c.pos;
  }
}

// Reads a control's accessible object the way a screen reader does.
struct Accessible {
  explicit Accessible(HWND window) {
    ::AccessibleObjectFromWindow(window, OBJID_CLIENT, kIidAccessible, reinterpret_cast<void**>(&object));
  }
  ~Accessible() {
    if (object) object->Release();
  }
  std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    if (!object || FAILED((object->*get)(self, &text)) || !text) return L"<none>";
    std::wstring out(text, ::SysStringLen(text));
    ::SysFreeString(text);
    return out;
  }
  LONG Role() {
    VARIANT self, role;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    ::VariantInit(&role);
    if (!object || FAILED(object->get_accRole(self, &role)) || role.vt != VT_I4) return -1;
    return role.lVal;
  }
  IAccessible* object = nullptr;
};

TEST_F(ControlsTest, AccessibleNameRoleAndProgressValueReachTheClient) {
  HWND close = Child(L"BUTTON", BS_PUSHBUTTON, 0, 0, 20, 20, L"");
  testing_support::LogCapture log;
  AccessibleProxy* proxy = AccessibleProxy::For(close);
  ASSERT_NE(proxy, nullptr) << log.Dump();
  EXPECT_EQ(AccessibleProxy::For(close), proxy);
  proxy->SetRole(kAccRolePushButton);
  proxy->SetName(L"Close");
  {
    Accessible acc(close);
    ASSERT_NE(acc.object, nullptr);
    EXPECT_EQ(acc.Text(&IAccessible::get_accName), L"Close");
    EXPECT_EQ(acc.Role(), ROLE_SYSTEM_PUSHBUTTON);
  }

  HWND bar = Child(PROGRESS_CLASSW, 0, 0, 40, 100, 4);
  CustomProgressBar progress(bar);
  progress.SetRange(0, 100);
  for (int pos : {0, 75, 79, 80, 100}) {
    progress.SetPos(pos);
    Accessible acc(bar);
    ASSERT_NE(acc.object, nullptr);
    EXPECT_EQ(acc.Text(&IAccessible::get_accValue), std::to_wstring(pos) + L"%");
    EXPECT_EQ(acc.Role(), ROLE_SYSTEM_PROGRESSBAR);
  }
  // Destroying the controls releases their proxies.
  ::DestroyWindow(close);
  EXPECT_EQ(AccessibleProxy::Find(close), nullptr);
}

// Answers `answer` to WM_USER + 1 when `answer` is set, hands everything on
// otherwise, and records what it saw.
class RecordingSubclass : public SubclassedWindow {
 public:
  RecordingSubclass(std::vector<std::string>* seen, std::string name, LRESULT answer = 0)
      : seen_(seen), name_(std::move(name)), answer_(answer) {}

 protected:
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override {
    if (message != WM_USER + 1) return CallPrevious(message, wparam, lparam);
    seen_->push_back(name_);
    return answer_ ? answer_ : CallPrevious(message, wparam, lparam);
  }
  void OnWindowGone() override { seen_->push_back(name_ + " gone"); }

 private:
  std::vector<std::string>* seen_;
  std::string name_;
  LRESULT answer_;
};

TEST_F(ControlsTest, SubclassesChainTheLastFirstAndLeaveTheWindowAsTheyFoundIt) {
  HWND button = Child(L"BUTTON", BS_PUSHBUTTON, 0, 0, 20, 20, L"");
  const LONG_PTR own = ::GetWindowLongPtrW(button, GWLP_WNDPROC);
  std::vector<std::string> seen;
  {
    RecordingSubclass first(&seen, "first", 7);
    RecordingSubclass second(&seen, "second");
    ASSERT_TRUE(first.Subclass(button));
    ASSERT_TRUE(second.Subclass(button));
    EXPECT_FALSE(second.Subclass(button));  // once per object
    EXPECT_EQ(SubclassedWindow::FromHandle(button), &second);
    EXPECT_EQ(::SendMessageW(button, WM_USER + 1, 0, 0), 7);
    EXPECT_EQ(seen, (std::vector<std::string>{"second", "first"}));
    // The first goes while the second stays: messages still reach the button.
    first.Unsubclass();
    EXPECT_EQ(first.hwnd(), nullptr);
    seen.clear();
    EXPECT_EQ(::SendMessageW(button, WM_USER + 1, 0, 0), 0);
    EXPECT_EQ(seen, std::vector<std::string>{"second"});
    ::SetWindowTextW(button, L"text");
    EXPECT_EQ(GetWindowTextString(button), L"text");
  }
  // The last object gone: the button has its own procedure back.
  EXPECT_EQ(::GetWindowLongPtrW(button, GWLP_WNDPROC), own);
  EXPECT_EQ(SubclassedWindow::FromHandle(button), nullptr);

  // A window that goes tells every object, the last first.
  HWND other = Child(L"BUTTON", BS_PUSHBUTTON, 0, 0, 20, 20, L"");
  RecordingSubclass first(&seen, "first");
  RecordingSubclass second(&seen, "second");
  ASSERT_TRUE(first.Subclass(other));
  ASSERT_TRUE(second.Subclass(other));
  seen.clear();
  ::DestroyWindow(other);
  EXPECT_EQ(seen, (std::vector<std::string>{"second gone", "first gone"}));
  EXPECT_EQ(first.hwnd(), nullptr);
  EXPECT_EQ(second.hwnd(), nullptr);
  EXPECT_EQ(SubclassedWindow::FromHandle(other), nullptr);
}

TEST_F(ControlsTest, SpriteButtonDrawsTheFrameOfItsStateAndTextOnlyWhenThereIsOne) {
  HWND button = Child(L"BUTTON", BS_PUSHBUTTON, 0, 0, 30, 10, L"");
  SpriteButton sprite(button, Stripes({RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)}, 30, 10));
  EXPECT_EQ(sprite.GetSize().cx, 30);
  EXPECT_EQ(sprite.GetSize().cy, 10);
  struct Case {
    UINT state;
    COLORREF colour;
  } cases[] = {{0, RGB(255, 0, 0)}, {CDIS_HOT, RGB(0, 255, 0)}, {CDIS_HOT | CDIS_SELECTED, RGB(0, 0, 255)}};
  for (const Case& c : cases) {
    Canvas canvas(30, 10);
    NMCUSTOMDRAW draw = {};
    draw.hdr.hwndFrom = button;
    draw.dwDrawStage = CDDS_PREERASE;
    draw.hdc = canvas.dc();
    draw.rc = RECT{0, 0, 30, 10};
    draw.uItemState = c.state;
    EXPECT_EQ(sprite.Paint(draw), CDRF_SKIPDEFAULT);
    EXPECT_EQ(canvas.CountOther(RECT{0, 0, 30, 10}, c.colour), 0);
  }
  // Focus alone draws no focus rectangle; after keyboard cues it does.
  {
    Canvas canvas(30, 10);
    NMCUSTOMDRAW draw = {};
    draw.dwDrawStage = CDDS_PREERASE;
    draw.hdc = canvas.dc();
    draw.rc = RECT{0, 0, 30, 10};
    draw.uItemState = CDIS_FOCUS;
    sprite.Paint(draw);
    EXPECT_EQ(canvas.CountOther(RECT{0, 0, 30, 10}, RGB(255, 0, 0)), 0);
    draw.uItemState = CDIS_FOCUS | CDIS_SHOWKEYBOARDCUES;
    sprite.Paint(draw);
    EXPECT_GT(canvas.CountOther(RECT{0, 0, 30, 10}, RGB(255, 0, 0)), 0);
  }
  ::SetWindowTextW(button, L"Go");
  sprite.set_text_colour(RGB(255, 255, 255));
  sprite.set_keyboard_focus_visible(false);
  Canvas canvas(30, 10);
  NMCUSTOMDRAW draw = {};
  draw.dwDrawStage = CDDS_PREERASE;
  draw.hdc = canvas.dc();
  draw.rc = RECT{0, 0, 30, 10};
  sprite.Paint(draw);
  EXPECT_GT(canvas.CountOther(RECT{0, 0, 30, 10}, RGB(255, 0, 0)), 0);
}

TEST_F(ControlsTest, StretchButtonKeepsItsCapsAndStretchesTheMiddle) {
  HWND button = Child(L"BUTTON", BS_PUSHBUTTON, 0, 0, 60, 20, L"");
  // Three frames of 10 columns: 2 red, 6 green, 2 blue each.
  const COLORREF r = RGB(255, 0, 0), g = RGB(0, 255, 0), b = RGB(0, 0, 255);
  HBITMAP source = MakeStripes({r, r, g, g, g, g, g, g, b, b, r, r, g, g, g, g, g, g, b, b,
                                r, r, g, g, g, g, g, g, b, b}, 1, 10);
  StretchButton stretch(button, ResourceBitmap::FromHBITMAP(source), 2);
  ::DeleteObject(source);
  Canvas canvas(60, 20);
  NMCUSTOMDRAW draw = {};
  draw.dwDrawStage = CDDS_PREERASE;
  draw.hdc = canvas.dc();
  draw.rc = RECT{0, 0, 60, 20};
  stretch.Paint(draw);
  // Height ratio 2: caps of 4 columns at both ends, green between.
  EXPECT_EQ(canvas.At(1, 10), RGB(255, 0, 0));
  EXPECT_EQ(canvas.At(30, 10), RGB(0, 255, 0));
  EXPECT_EQ(canvas.At(58, 10), RGB(0, 0, 255));
  EXPECT_EQ(canvas.CountOther(RECT{4, 0, 56, 20}, RGB(0, 255, 0)), 0);
}

TEST_F(ControlsTest, SelfDrawnCheckboxBecomesOwnerDrawnAndKeepsItsOwnState) {
  HWND box = Child(L"BUTTON", BS_AUTOCHECKBOX, 0, 0, 200, 20, L"Option");
  ResourceBitmap sprite = Stripes({RGB(1, 1, 1), RGB(2, 2, 2), RGB(3, 3, 3), RGB(4, 4, 4), RGB(5, 5, 5), RGB(6, 6, 6)}, 16, 16);
  SpriteCheckbox self(box, sprite, CheckboxStyle{}, /*visual_styles=*/false);
  EXPECT_TRUE(self.self_drawn());
  EXPECT_EQ(::GetWindowLongPtrW(box, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_EQ(self.frame_size().cx, 16);
  EXPECT_FALSE(self.IsChecked());
  self.Toggle();
  EXPECT_TRUE(self.IsChecked());
  self.SetChecked(false);
  EXPECT_FALSE(self.IsChecked());
  self.Toggle();
  Canvas canvas(200, 20);
  DRAWITEMSTRUCT draw = {};
  draw.CtlType = ODT_BUTTON;
  draw.hwndItem = box;
  draw.hDC = canvas.dc();
  draw.rcItem = RECT{0, 0, 200, 20};
  self.PaintOwnerDraw(draw);
  EXPECT_EQ(canvas.At(8, 8), RGB(4, 4, 4));  // checked, normal
  // Text drawn right of the box.
  EXPECT_GT(canvas.CountOther(RECT{16, 0, 200, 20}, RGB(255, 255, 255)), 0);

  HWND styled = Child(L"BUTTON", BS_AUTOCHECKBOX, 0, 30, 200, 20, L"Other");
  SpriteCheckbox themed(styled, sprite, CheckboxStyle{}, /*visual_styles=*/true);
  EXPECT_FALSE(themed.self_drawn());
  themed.SetChecked(true);
  EXPECT_EQ(::SendMessageW(styled, BM_GETCHECK, 0, 0), BST_CHECKED);
  themed.Toggle();  // the control flips itself; Toggle leaves it alone
  EXPECT_TRUE(themed.IsChecked());
  ::SendMessageW(styled, BM_SETCHECK, BST_UNCHECKED, 0);
  EXPECT_FALSE(themed.IsChecked());
}

TEST_F(ControlsTest, CheckboxHeightIsTheTallerOfBoxAndWrappedText) {
  HWND box = Child(L"BUTTON", BS_AUTOCHECKBOX, 0, 0, 120, 20,
                   L"A rather long option text that has to wrap onto several lines");
  ResourceBitmap sprite = Stripes({0, 0, 0, 0, 0, 0}, 16, 16);
  CheckboxStyle style;
  style.text_offset = 8;
  HFONT font = ::CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
  style.font = font;
  SpriteCheckbox checkbox(box, sprite, style, true);
  EXPECT_GT(checkbox.MeasureHeight(RECT{0, 0, 120, 20}), 16);
  ::SetWindowTextW(box, L"x");
  EXPECT_EQ(checkbox.MeasureHeight(RECT{0, 0, 120, 20}), 16);
  ::DeleteObject(font);
}

}  // namespace
}  // namespace lite_installer
