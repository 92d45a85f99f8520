// What both screens of the installer window share: the dialog window, its
// brand, look and language, the background picture, the title and the
// buttons of the frame (close, minimize, cancel) that outlive the first
// screen. Owned by MainWindow; the screens hold it by reference.
#pragma once

#include <windows.h>

#include <memory>

#include "installer/ui/controls/sprite_button.h"
#include "installer/ui/resource_bitmap.h"
#include "resource_ids.h"

namespace lite_installer {

class BrandInfo;
class WindowLook;

// Control ids of dialog template 901.
enum MainWindowControl : int {
  kIdInstall = IDC_MAIN_INSTALL,
  kIdEscape = 2,
  kIdTitle = IDC_MAIN_TITLE,
  kIdDefaultCheckbox = IDC_MAIN_DEFAULT_CHECKBOX,
  kIdStatCheckbox = IDC_MAIN_STAT_CHECKBOX,
  kIdKepinCheckbox = IDC_MAIN_KEPIN_CHECKBOX,
  kIdCancel = IDC_MAIN_CANCEL,
  kIdClose = IDC_MAIN_CLOSE,
  kIdMinimize = IDC_MAIN_MINIMIZE,
  kIdProgress = IDC_MAIN_PROGRESS,
  kIdPolicyLink = IDC_MAIN_POLICY_LINK,
  kIdLicenceText = 222,
  kIdLicenceLink = 223,
  kIdProgressText = IDC_MAIN_PROGRESS_TEXT,
  kIdLateLicenceText = 913,
  kIdLateLicenceLink = 914,
};

// All four sides zero: a rectangle the look does not place.
bool IsZero(const RECT& r);
// `value` at the display scale, truncated.
int Scaled(int value, double scale);

struct WindowFrame {
  // Set when the dialog is initialised.
  HWND window = nullptr;
  const BrandInfo* brand = nullptr;
  const WindowLook* look = nullptr;
  LANGID langid = 1033;
  bool facetune = false;
  // The first screen's picture: the controls over it blend with it.
  ResourceBitmap background;

  std::unique_ptr<SpriteButton> close_button;
  std::unique_ptr<SpriteButton> minimize_button;  // redesigned look only
  std::unique_ptr<SpriteButton> cancel_button;

  // The close, minimize (redesigned look) and cancel button objects over
  // the background.
  void CreateButtons();
  // The frame button whose window is `control`, or null.
  SpriteButton* ButtonFor(HWND control) const;
  // Destroys every child window with control id `id`.
  void DestroyControls(int id) const;
  // Moves `control` to `rect` with `size`, or hides it when `rect` is zero.
  void PlaceAt(HWND control, const RECT& rect, SIZE size, bool show) const;
  // The title in its place, only as tall as its text.
  void PlaceTitle() const;
  // WM_DRAWITEM of the title.
  void DrawTitle(const DRAWITEMSTRUCT& draw) const;
};

}  // namespace lite_installer
