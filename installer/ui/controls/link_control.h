// Owner-drawn link buttons: the window text in the link's font, colour and
// opacity over the picture under the link, with the hand cursor.
#pragma once

#include <windows.h>

#include "installer/ui/resource_bitmap.h"
#include "installer/ui/controls/subclassed_window.h"

namespace lite_installer {

class LinkControl : public SubclassedWindow {
 public:
  LinkControl(HWND link, COLORREF colour, BYTE opacity, HFONT font, ResourceBitmap background);

  void set_background(ResourceBitmap background) { background_ = std::move(background); }
  void set_font(HFONT font) { font_ = font; }
  HFONT font() const { return font_; }

  // WM_DRAWITEM of the link.
  void Paint(const DRAWITEMSTRUCT& draw);
  // The size of the window text in the link's font.
  SIZE MeasureText() const;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  COLORREF colour_;
  BYTE opacity_;
  HFONT font_;
  ResourceBitmap background_;
  HCURSOR hand_;
};

}  // namespace lite_installer
