#include "installer/ui/dialogs/installer_dialog.h"

#include <objbase.h>
#include <gdiplus.h>

#include <algorithm>
#include <array>
#include <cstdint>

#include "base/logging.h"
#include "base/scoped_gdi.h"
#include "installer/ui/controls/accessible_proxy.h"
#include "installer/ui/controls/control_painting.h"
#include "installer/ui/display_scale.h"
#include "installer/ui/ui_strings.h"
#include "installer/ui/window_drawing.h"

namespace lite_installer {
namespace {

constexpr UINT kStringWindowTitle = 400;
constexpr UINT kStringClose = 415;

base::ScopedFont MakeFont(const wchar_t* family, int size, int weight) {
  return base::ScopedFont(::CreateFontW(-Scaled(size), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                        DEFAULT_PITCH | FF_DONTCARE, family));
}

RECT ToRect(const DialogBox& box) { return RECT{box.left, box.top, box.right, box.bottom}; }

// `picture` drawn into `dest` in nine parts: the corners of `inset` device
// pixels unstretched, the edges and the middle stretched between them.
void DrawNineParts(Gdiplus::Graphics* graphics, const ResourceBitmap& picture, const RECT& dest, int inset) {
  const int sw = picture.Width(), sh = picture.Height();
  const int sx[4] = {0, inset, sw - inset, sw};
  const int sy[4] = {0, inset, sh - inset, sh};
  const int dx[4] = {dest.left, dest.left + inset, dest.right - inset, dest.right};
  const int dy[4] = {dest.top, dest.top + inset, dest.bottom - inset, dest.bottom};
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      const int width = dx[column + 1] - dx[column], height = dy[row + 1] - dy[row];
      if (width <= 0 || height <= 0) continue;
      picture.Draw(graphics, dx[column], dy[row], width, height, sx[column], sy[row], sx[column + 1] - sx[column],
                   sy[row + 1] - sy[row]);
    }
  }
}

// A screen-compatible bitmap for what lies under the controls (copied into
// a ResourceBitmap, which takes device bitmaps the right way up).
base::ScopedBitmap CompatibleBitmap(int width, int height) {
  base::ScopedScreenDC screen;
  return base::ScopedBitmap(::CreateCompatibleBitmap(screen.get(), width, height));
}

}  // namespace

DialogContent LoadDialogContent(const DialogTexts& ids, LANGID langid) {
  auto load = [langid](uint32_t id) { return id ? LoadUiString(id, langid) : std::wstring(); };
  return DialogContent{load(ids.title), load(ids.text), load(ids.main_button), load(ids.second_button)};
}

InstallerDialog::InstallerDialog(LANGID langid, DialogContent content)
    : langid_(langid), content_(std::move(content)) {}

InstallerDialog::~InstallerDialog() = default;

int InstallerDialog::Run(HWND owner) {
  owner_ = owner;
  const INT_PTR code = RunDialog(kDialogTemplateId, owner);
  if (code == -1 || code == 0) {
    PLOG(ERROR, ::GetLastError()) << "The dialog could not be shown";
    return kDialogEndClose;
  }
  return static_cast<int>(code);
}

bool InstallerDialog::End(int code) {
  if (!hwnd()) return false;
  shadow_.reset();
  ::EndDialog(hwnd(), code);
  return true;
}

void InstallerDialog::OnMoveWindow() {
  if (shadow_) shadow_->FollowOwner();
}

INT_PTR InstallerDialog::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit();
      return FALSE;  // the focus is set already
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED) OnCommand(LOWORD(wparam));
      return TRUE;
    case WM_NOTIFY: {
      const NMHDR& header = *reinterpret_cast<const NMHDR*>(lparam);
      if (header.code != NM_CUSTOMDRAW) return FALSE;
      SpriteButton* button = ButtonFor(header.hwndFrom);
      if (!button) return FALSE;
      return SetMessageResult(button->Paint(reinterpret_cast<const NMCUSTOMDRAW&>(header)));
    }
    case WM_DRAWITEM: {
      const DRAWITEMSTRUCT& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      DrawBackgroundUnder(draw.hDC, background_, draw.hwndItem, draw.rcItem);
      if (draw.hwndItem == ::GetDlgItem(hwnd(), kDialogIdTitle))
        PaintTitle(draw.hDC, draw.rcItem);
      else
        PaintText(draw.hDC, draw.rcItem);
      return TRUE;
    }
    case WM_DESTROY:
      // The shadow is owned by this window and goes with it.
      shadow_.reset();
      main_button_.reset();
      second_button_.reset();
      close_button_.reset();
      return FALSE;
    default:
      return FALSE;
  }
}

void InstallerDialog::OnInit() {
  // The caption (taskbar, screen readers) is the title on one line.
  std::wstring caption = content_.title.empty() ? LoadUiString(kStringWindowTitle, langid_) : content_.title;
  for (wchar_t& c : caption)
    if (c == L'\n' || c == L'\r') c = L' ';
  ::SetWindowTextW(hwnd(), caption.c_str());
  if (HWND title = ::GetDlgItem(hwnd(), kDialogIdTitle)) ::SetWindowTextW(title, content_.title.c_str());
  if (HWND text = ::GetDlgItem(hwnd(), kDialogIdText)) {
    ::SetWindowTextW(text, content_.text.c_str());
    // Drawn by the dialog over its background.
    const LONG_PTR style = ::GetWindowLongPtrW(text, GWL_STYLE);
    ::SetWindowLongPtrW(text, GWL_STYLE, (style & ~static_cast<LONG_PTR>(SS_TYPEMASK)) | SS_OWNERDRAW);
  }
  if (HWND main = ::GetDlgItem(hwnd(), kDialogIdMain)) ::SetWindowTextW(main, content_.main_button.c_str());
  if (HWND second = ::GetDlgItem(hwnd(), kDialogIdSecond)) ::SetWindowTextW(second, content_.second_button.c_str());
  SetUpLook();
  if (second_button_ && content_.second_button.empty()) {
    second_button_.reset();
    Hide(kDialogIdSecond);
  }
  if (HWND main = ::GetDlgItem(hwnd(), kDialogIdMain)) ::SetFocus(main);
}

void InstallerDialog::OnCommand(int id) {
  switch (id) {
    case kDialogIdMain:
      if (main_action_) main_action_();
      End(kDialogEndMain);
      break;
    case kDialogIdSecond:
      End(kDialogEndSecond);
      break;
    case kDialogIdClose:
    case IDCANCEL:
      End(kDialogEndClose);
      break;
    default:
      break;
  }
}

void InstallerDialog::OnPaint(HDC dc) { background_.Draw(dc, 0, 0); }

void InstallerDialog::Centre() {
  RECT area = {};
  if (!owner_ || !::GetWindowRect(owner_, &area)) ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  RECT rect;
  ::GetWindowRect(hwnd(), &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  ::SetWindowPos(hwnd(), nullptr, area.left + ((area.right - area.left) - width) / 2,
                 area.top + ((area.bottom - area.top) - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void InstallerDialog::CreateShadow(HBITMAP sheet, const RECT& margins) {
  shadow_ = std::make_unique<ShadowWindow>();
  if (!shadow_->CreateFromSheet(hwnd(), sheet, margins, true)) {
    LOG(WARNING) << "The dialog's shadow could not be made";
    shadow_.reset();
  }
}

void InstallerDialog::Place(int id, const RECT& rect) {
  if (HWND control = ::GetDlgItem(hwnd(), id))
    ::SetWindowPos(control, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void InstallerDialog::Hide(int id) {
  if (HWND control = ::GetDlgItem(hwnd(), id)) ::ShowWindow(control, SW_HIDE);
}

SpriteButton* InstallerDialog::ButtonFor(HWND control) const {
  for (SpriteButton* button : {main_button_.get(), second_button_.get(), close_button_.get()})
    if (button && button->hwnd() == control) return button;
  return nullptr;
}

int InstallerDialog::MeasureWrapped(const std::wstring& text, HFONT font, int width) const {
  if (text.empty()) return 0;
  base::ScopedScreenDC screen;
  return MeasureWrappedTextHeight(screen.get(), text, font, width, DT_NOPREFIX);
}

SIZE InstallerDialog::MeasureLines(const std::wstring& text, HFONT font) const {
  if (text.empty()) return SIZE{0, 0};
  base::ScopedScreenDC screen;
  base::ScopedSelectObject selected(screen.get(), font);
  RECT rect = {0, 0, 0, 0};
  ::DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &rect, DT_CALCRECT | DT_NOPREFIX);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

void InstallerDialog::DrawTextIn(HDC dc, const RECT& rect, const std::wstring& text, HFONT font,
                                 COLORREF colour) const {
  base::ScopedSelectObject selected(dc, font);
  const int mode = ::SetBkMode(dc, TRANSPARENT);
  const COLORREF previous = ::SetTextColor(dc, colour);
  RECT r = rect;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_NOPREFIX | DT_WORDBREAK | DT_LEFT);
  ::SetTextColor(dc, previous);
  ::SetBkMode(dc, mode);
}

namespace {

// --- Classic look --------------------------------------------------------------

constexpr int kClassicPicture = IDB_DIALOG_BACKGROUND;
constexpr int kClassicMainSprite = IDB_DIALOG_BUTTON_MAIN;
constexpr int kClassicSecondSprite = IDB_DIALOG_BUTTON_SECOND;
constexpr COLORREF kClassicInk = RGB(70, 70, 70);
// Corners of picture 104 that are drawn unstretched.
constexpr int kClassicPictureInset = 16;

class ClassicDialog : public InstallerDialog {
 public:
  ClassicDialog(ClassicKind kind, LANGID langid)
      : InstallerDialog(langid, LoadDialogContent(ClassicDialogKind(kind).texts, langid)), kind_(kind) {}

 protected:
  void SetUpLook() override {
    button_font_ = MakeFont(L"Arial", 14, FW_NORMAL);
    title_font_ = MakeFont(L"Arial", 16, FW_NORMAL);
    text_font_ = MakeFont(L"Arial", 13, FW_NORMAL);
    const ResourceBitmap picture = ResourceBitmap::LoadPair(ImagePair{kClassicPicture, 0});
    const RECT margins = {Scaled(7), Scaled(4), Scaled(6), Scaled(8)};
    const bool unsupported = kind_ == ClassicKind::kUnsupportedSystem;
    const int width = unsupported ? picture.Width() - 13 : picture.Width() - margins.left - margins.right;
    const int height = unsupported ? picture.Height() - 52 : picture.Height() - margins.top - margins.bottom;
    ::SetWindowPos(hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    // The picture, with its drawn shadow, reaches past the window by the
    // margins: the window shows its middle, the shadow window the rest.
    const SIZE sheet_size = {width + margins.left + margins.right, height + margins.top + margins.bottom};
    const int inset = Scaled(kClassicPictureInset);
    void* sheet_bits = nullptr;
    base::ScopedBitmap sheet = CreateScreenBitmap(sheet_size.cx, sheet_size.cy, &sheet_bits);
    base::ScopedBitmap under = CompatibleBitmap(width, height);
    if (sheet && under && !picture.empty()) {
      {
        Gdiplus::Bitmap target(sheet_size.cx, sheet_size.cy, sheet_size.cx * 4, PixelFormat32bppPARGB,
                               static_cast<BYTE*>(sheet_bits));
        Gdiplus::Graphics graphics(&target);
        DrawNineParts(&graphics, picture, RECT{0, 0, sheet_size.cx, sheet_size.cy}, inset);
      }
      {
        base::ScopedScreenDC screen;
        base::ScopedBitmapDC memory(screen.get(), under.get());
        Gdiplus::Graphics graphics(memory.get());
        DrawNineParts(&graphics, picture, RECT{-margins.left, -margins.top, width + margins.right, height + margins.bottom},
                      inset);
      }
      // The shadow window leaves the window's own place empty.
      auto* pixels = static_cast<uint32_t*>(sheet_bits);
      for (int y = margins.top; y < margins.top + height && y < sheet_size.cy; ++y)
        std::fill(pixels + y * sheet_size.cx + margins.left, pixels + y * sheet_size.cx + margins.left + width, 0u);
      SetBackground(ResourceBitmap::FromHBITMAP(under.get()));
    }

    // Buttons: the main one 40 from the left, the second 10 right of it;
    // the resume dialog's pair ends 30 from the right edge.
    main_button_ = MakeButton(kDialogIdMain, kClassicMainSprite);
    second_button_ = MakeButton(kDialogIdSecond, kClassicSecondSprite);
    Hide(kDialogIdClose);
    const SIZE button = main_button_ ? main_button_->GetSize() : SIZE{Scaled(120), Scaled(28)};
    const int row_top = height - Scaled(20) - button.cy;
    int main_left = Scaled(40);
    int second_left = main_left + button.cx + Scaled(10);
    if (kind_ == ClassicKind::kResume) {
      second_left = width - Scaled(30) - button.cx;
      main_left = second_left - Scaled(10) - button.cx;
    }
    Place(kDialogIdMain, RECT{main_left, row_top, main_left + button.cx, row_top + button.cy});
    if (!content_.second_button.empty())
      Place(kDialogIdSecond, RECT{second_left, row_top, second_left + button.cx, row_top + button.cy});

    PlaceTexts(width, row_top, unsupported);

    Centre();
    if (sheet) CreateShadow(sheet.get(), margins);
  }

  void PaintTitle(HDC dc, const RECT& rect) override {
    DrawTextIn(dc, rect, content_.title, title_font_.get(), kClassicInk);
  }
  void PaintText(HDC dc, const RECT& rect) override {
    DrawTextIn(dc, rect, content_.text, text_font_.get(), kClassicInk);
  }

 private:
  // Title and text inside the margins above the buttons (whose row starts
  // at `row_top`).
  void PlaceTexts(int width, int row_top, bool unsupported) {
    const int left = Scaled(40), right = width - Scaled(30);
    if (unsupported) {
      // Its place ends 30 above the buttons; a title of more lines than
      // that holds grows towards them rather than being cut off.
      const int top = Scaled(30);
      const int needed = top + MeasureWrapped(content_.title, title_font_.get(), right - Scaled(40));
      const int bottom = std::min(std::max(row_top - Scaled(30), needed), row_top - Scaled(4));
      Place(kDialogIdTitle, RECT{Scaled(40), top, right, bottom});
      Hide(kDialogIdText);
    } else {
      const int top = content_.text.empty() ? Scaled(30) : Scaled(20);
      const int title_height = MeasureWrapped(content_.title, title_font_.get(), right - left);
      Place(kDialogIdTitle, RECT{left, top, right, top + title_height});
      if (content_.text.empty()) {
        Hide(kDialogIdText);
      } else {
        const int text_top = top + title_height + Scaled(8);
        const int text_height = MeasureWrapped(content_.text, text_font_.get(), right - left);
        Place(kDialogIdText, RECT{left, text_top, right, std::max(text_top + text_height, row_top - Scaled(10))});
      }
    }
  }

  std::unique_ptr<SpriteButton> MakeButton(int id, int sprite) {
    HWND control = ::GetDlgItem(hwnd(), id);
    if (!control) return nullptr;
    auto button = std::make_unique<SpriteButton>(control, ResourceBitmap::LoadPair(ImagePair{sprite, 0}));
    button->set_background(background_);
    button->set_font(button_font_.get());
    button->set_text_colour(kClassicInk);
    button->set_focus_inset(Scaled(3));
    return button;
  }

  ClassicKind kind_;
};

// --- Redesigned look -----------------------------------------------------------

constexpr int kPanelPicture = IDB_DIALOG_PANEL;
constexpr ImagePair kPrimarySprite = {IDB_DIALOG_BUTTON_PRIMARY, IDB_DIALOG_BUTTON_PRIMARY_2X};
constexpr ImagePair kSecondarySprite = {IDB_DIALOG_BUTTON_SECONDARY, IDB_DIALOG_BUTTON_SECONDARY_2X};
constexpr ImagePair kCloseSprite = {IDB_DIALOG_CLOSE, IDB_DIALOG_CLOSE_2X};
constexpr std::array<ImagePair, 4> kRoundShadowCorners = {
    {{IDB_DIALOG_SHADOW_CORNER_TL, 0}, {IDB_DIALOG_SHADOW_CORNER_TR, 0},
     {IDB_DIALOG_SHADOW_CORNER_BR, 0}, {IDB_DIALOG_SHADOW_CORNER_BL, 0}}};
constexpr std::array<ImagePair, 4> kRoundShadowEdges = {
    {{IDB_DIALOG_SHADOW_EDGE_LEFT, 0}, {IDB_DIALOG_SHADOW_EDGE_TOP, 0},
     {IDB_DIALOG_SHADOW_EDGE_RIGHT, 0}, {IDB_DIALOG_SHADOW_EDGE_BOTTOM, 0}}};
constexpr std::array<ImagePair, 4> kSquareShadowCorners = {
    {{IDB_DIALOG_SHADOW_SQUARE_CORNER_TL, 0}, {IDB_DIALOG_SHADOW_SQUARE_CORNER_TR, 0},
     {IDB_DIALOG_SHADOW_SQUARE_CORNER_BR, 0}, {IDB_DIALOG_SHADOW_SQUARE_CORNER_BL, 0}}};
constexpr std::array<ImagePair, 4> kSquareShadowEdges = {
    {{IDB_DIALOG_SHADOW_SQUARE_EDGE_LEFT, 0}, {IDB_DIALOG_SHADOW_SQUARE_EDGE_TOP, 0},
     {IDB_DIALOG_SHADOW_SQUARE_EDGE_RIGHT, 0}, {IDB_DIALOG_SHADOW_SQUARE_EDGE_BOTTOM, 0}}};
constexpr COLORREF kRedesignedTitle = RGB(0, 0, 0);
constexpr COLORREF kRedesignedText = RGB(87, 87, 87);
constexpr int kCornerRadius = 16;
constexpr int kShadowMargin = 8;

class RedesignedDialog : public InstallerDialog {
 public:
  RedesignedDialog(DialogContent content, DialogButtonStyle main_style, LANGID langid, bool rounded)
      : InstallerDialog(langid, std::move(content)), main_style_(main_style), rounded_(rounded) {}

 protected:
  void SetUpLook() override {
    if (fonts_.size() == 0) fonts_.Add({kFontText, kFontTextMedium});
    button_font_ = MakeFont(L"KS Text", 13, FW_NORMAL);
    title_font_ = MakeFont(L"KS Text", 18, FW_MEDIUM);
    text_font_ = MakeFont(L"KS Text", 13, FW_NORMAL);

    auto extent = [](SIZE size) { return DialogExtent{size.cx, size.cy}; };
    const SIZE title = MeasureLines(content_.title, title_font_.get());
    const SIZE text = MeasureLines(content_.text, text_font_.get());
    const SIZE main = MeasureLines(content_.main_button, button_font_.get());
    const SIZE second = MeasureLines(content_.second_button, button_font_.get());
    const RedesignedLayout layout =
        LayoutRedesignedDialog(ScaledRedesignedMetrics(GetDisplayScaleFactor()), extent(title), extent(text),
                               extent(main), extent(second));
    const int width = layout.window.width, height = layout.window.height;
    ::SetWindowPos(hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    // The white panel stretched over the whole window.
    base::ScopedBitmap under = CompatibleBitmap(width, height);
    if (under) {
      const ResourceBitmap panel = ResourceBitmap::LoadPair(ImagePair{kPanelPicture, 0});
      {
        base::ScopedScreenDC screen;
        base::ScopedBitmapDC memory(screen.get(), under.get());
        if (!panel.empty()) panel.Draw(memory.get(), 0, 0, width, height, 0, 0, panel.Width(), panel.Height());
      }
      SetBackground(ResourceBitmap::FromHBITMAP(under.get()));
    }

    Place(kDialogIdTitle, ToRect(layout.title));
    if (content_.text.empty())
      Hide(kDialogIdText);
    else
      Place(kDialogIdText, ToRect(layout.text));
    main_button_ = MakeStretchButton(kDialogIdMain, main_style_ == DialogButtonStyle::kPrimary ? kPrimarySprite
                                                                                                : kSecondarySprite);
    Place(kDialogIdMain, ToRect(layout.main_button));
    if (layout.second_button && !content_.second_button.empty()) {
      second_button_ = MakeStretchButton(kDialogIdSecond, kSecondarySprite);
      Place(kDialogIdSecond, ToRect(*layout.second_button));
    }
    if (HWND close = ::GetDlgItem(hwnd(), kDialogIdClose)) {
      close_button_ = std::make_unique<SpriteButton>(close, ResourceBitmap::LoadPair(kCloseSprite));
      close_button_->set_background(background_);
      if (AccessibleProxy* proxy = AccessibleProxy::For(close)) {
        proxy->SetRole(kAccRolePushButton);
        proxy->SetName(LoadUiString(kStringClose, langid_));
      }
      Place(kDialogIdClose, ToRect(layout.close_button));
    }

    if (rounded_) ApplyRoundedRegion(hwnd(), Scaled(kCornerRadius));
    Centre();
    const int margin = Scaled(kShadowMargin);
    base::ScopedBitmap sheet =
        ComposeShadowSheet(SIZE{width + 2 * margin, height + 2 * margin},
                           rounded_ ? kRoundShadowCorners : kSquareShadowCorners,
                           rounded_ ? kRoundShadowEdges : kSquareShadowEdges);
    if (sheet) CreateShadow(sheet.get(), RECT{margin, margin, margin, margin});
  }

  void PaintTitle(HDC dc, const RECT& rect) override {
    DrawTextIn(dc, rect, content_.title, title_font_.get(), kRedesignedTitle);
  }
  void PaintText(HDC dc, const RECT& rect) override {
    DrawTextIn(dc, rect, content_.text, text_font_.get(), kRedesignedText);
  }

 private:
  std::unique_ptr<SpriteButton> MakeStretchButton(int id, ImagePair sprite) {
    HWND control = ::GetDlgItem(hwnd(), id);
    if (!control) return nullptr;
    auto button = std::make_unique<StretchButton>(control, ResourceBitmap::LoadPair(sprite), 0);
    button->set_background(background_);
    button->set_font(button_font_.get());
    button->set_text_colour(RGB(0, 0, 0));
    button->set_focus_inset(Scaled(3));
    return button;
  }

  DialogButtonStyle main_style_;
  bool rounded_;
  PrivateFonts fonts_;
};

}  // namespace

std::unique_ptr<InstallerDialog> CreateClassicDialog(ClassicKind kind, LANGID langid) {
  return std::make_unique<ClassicDialog>(kind, langid);
}

std::unique_ptr<InstallerDialog> CreateRedesignedDialog(int kind, LANGID langid, bool rounded) {
  const std::optional<RedesignedKind> info = RedesignedDialogKind(kind);
  if (!info) {
    LOG(ERROR) << "No dialog of kind " << kind;
    return CreateRedesignedDialog(DialogContent{}, DialogButtonStyle::kSecondary, langid, rounded);
  }
  return CreateRedesignedDialog(LoadDialogContent(info->texts, langid), info->main_style, langid, rounded);
}

std::unique_ptr<InstallerDialog> CreateRedesignedDialog(DialogContent content, DialogButtonStyle main_style,
                                                        LANGID langid, bool rounded) {
  return std::make_unique<RedesignedDialog>(std::move(content), main_style, langid, rounded);
}

}  // namespace lite_installer
