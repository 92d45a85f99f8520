// The installer's modal dialogs (template 100) in their two looks: the
// classic dialog (Arial, background picture 104 with its shadow drawn in,
// sprite buttons 105/106) and the redesigned one ("KS Text", white panel
// 2233, stretch buttons, close button 213, rounded corners from Windows 8
// on and a layered soft shadow). A dialog is built once and may run again
// after it ended (the resume question).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "base/scoped_handle.h"
#include "installer/ui/controls/sprite_button.h"
#include "installer/ui/dialogs/dialog_kinds.h"
#include "installer/ui/private_fonts.h"
#include "installer/ui/resource_bitmap.h"
#include "installer/ui/shadow_window.h"
#include "installer/ui/window_base.h"
#include "resource_ids.h"

namespace lite_installer {

// Control ids of dialog template 100.
constexpr int kDialogTemplateId = IDD_INSTALLER_DIALOG;
constexpr int kDialogIdMain = IDC_DIALOG_MAIN;
constexpr int kDialogIdTitle = IDC_DIALOG_TITLE;
constexpr int kDialogIdText = IDC_DIALOG_TEXT;
constexpr int kDialogIdSecond = IDC_DIALOG_SECOND;
constexpr int kDialogIdClose = IDC_DIALOG_CLOSE;

// What one dialog shows: its texts, already loaded (an empty second button
// text hides button 212).
struct DialogContent {
  std::wstring title;
  std::wstring text;
  std::wstring main_button;
  std::wstring second_button;
};

// The texts of `ids` in `langid` (0 ids give empty texts).
DialogContent LoadDialogContent(const DialogTexts& ids, LANGID langid);

class InstallerDialog : public WindowBase {
 public:
  ~InstallerDialog() override;

  // Shows the dialog modally over `owner` (centred on it, or on the screen
  // without one) and returns its end code: 1 main button, 212 second
  // button, 213 close button (also Escape).
  int Run(HWND owner);
  // Ends the dialog with `code` when it is open; false when it is not.
  bool End(int code);
  bool IsOpen() const { return hwnd() != nullptr; }
  const DialogContent& content() const { return content_; }

  // Runs before the dialog ends with 1 after its main button.
  void set_main_action(std::function<void()> action) { main_action_ = std::move(action); }

 protected:
  InstallerDialog(LANGID langid, DialogContent content);

  // The look: fonts, pictures, button objects, sizes and places, region and
  // shadow. The window exists and carries its texts.
  virtual void SetUpLook() = 0;
  virtual void PaintTitle(HDC dc, const RECT& rect) = 0;
  virtual void PaintText(HDC dc, const RECT& rect) = 0;

  // Centres the window (size already set) on the owner or the screen.
  void Centre();
  // A client-sized copy of what is painted under everything.
  void SetBackground(ResourceBitmap background) { background_ = std::move(background); }
  // Places control `id` at `rect` (client coordinates) and shows it.
  void Place(int id, const RECT& rect);
  void Hide(int id);
  std::unique_ptr<SpriteButton>& button_slot(int id);
  SpriteButton* ButtonFor(HWND control) const;
  // Height of `text` drawn with `font` word-wrapped into `width`.
  int MeasureWrapped(const std::wstring& text, HFONT font, int width) const;
  // Width and height of `text` with `font`, one measured line per line.
  SIZE MeasureLines(const std::wstring& text, HFONT font) const;
  void DrawTextIn(HDC dc, const RECT& rect, const std::wstring& text, HFONT font, COLORREF colour) const;

  LANGID langid_;
  DialogContent content_;
  HWND owner_ = nullptr;
  ResourceBitmap background_;
  std::unique_ptr<SpriteButton> main_button_;
  std::unique_ptr<SpriteButton> second_button_;
  std::unique_ptr<SpriteButton> close_button_;
  std::unique_ptr<ShadowWindow> shadow_;
  // Makes the shadow window from a ready sheet.
  void CreateShadow(HBITMAP sheet, const RECT& margins);
  base::ScopedFont button_font_;
  base::ScopedFont title_font_;
  base::ScopedFont text_font_;

 private:
  // WindowBase
  INT_PTR OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnPaint(HDC dc) override;
  void OnMoveWindow() override;

  void OnInit();
  void OnCommand(int id);

  std::function<void()> main_action_;
};

// Which classic dialog: the window size follows background picture 104,
// texts and buttons the kind's rules.
std::unique_ptr<InstallerDialog> CreateClassicDialog(ClassicKind kind, LANGID langid);
// Redesigned kind 0 to 12; any other kind gives a dialog with empty texts.
// `rounded` chooses the corner radius and the shadow pictures (Windows 8
// and later).
std::unique_ptr<InstallerDialog> CreateRedesignedDialog(int kind, LANGID langid, bool rounded);
// The same with ready texts (kind 12 carries the log path).
std::unique_ptr<InstallerDialog> CreateRedesignedDialog(DialogContent content, DialogButtonStyle main_style,
                                                        LANGID langid, bool rounded);

}  // namespace lite_installer
