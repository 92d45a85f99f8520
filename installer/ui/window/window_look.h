// Everything the installer window takes from its look (layout and theme):
// pictures, fonts, colours and the rectangle of every control, all in
// device pixels at the display scale factor. Made once per window from the
// layout and theme objects of the chosen look.
#pragma once

#include <windows.h>

#include <memory>

#include "installer/ui/resource_bitmap.h"

namespace lite_installer {

class BrandInfo;

struct WindowLookInputs {
  const BrandInfo* brand = nullptr;
  LANGID langid = 1033;
  uint32_t windows_major = 10;
  uint32_t windows_minor = 0;
  int kind = 0;  // bit 0 "default", bit 1 "sendstat", bit 2 "kepin_trial" offered
  bool existing_browser_found = false;
  double scale = 1.0;
};

struct TextColour {
  COLORREF colour = RGB(0, 0, 0);
  BYTE opacity = 255;
};

class WindowLook {
 public:
  virtual ~WindowLook() = default;

  bool facetune = false;
  bool less_contrasty = false;
  double scale = 1.0;

  // Sizes.
  int width = 0;
  int height = 0;
  int border_width = 0;
  int corner_radius = 0;
  int checkbox_text_gap = 0;
  POINT checkbox_text_offset = {0, 0};
  int extra_line_spacing = 0;  // between the lines of piece windows
  int shadow_margin = 8;

  // Control rectangles (parent client coordinates; all zeros: not placed).
  RECT title = {};
  RECT stat_checkbox = {};
  RECT default_checkbox = {};
  RECT policy_link = {};
  RECT kepin_checkbox = {};
  RECT install_button = {};
  RECT close_button = {};
  RECT minimize_button = {};
  RECT logo = {};
  RECT licence_line = {};
  RECT progress_bar = {};
  RECT progress_text = {};
  RECT late_licence = {};

  // Pictures.
  ResourceBitmap background;
  ResourceBitmap first_slide;  // composed at the window's size
  ResourceBitmap logo_dark;    // first screen
  ResourceBitmap logo_light;   // progress screen
  ResourceBitmap checkbox_sprite;
  ResourceBitmap install_sprite;
  ResourceBitmap close_sprite;
  ResourceBitmap minimize_sprite;
  ResourceBitmap minimize_glyph;  // facetune first screen, where minimize will be
  ResourceBitmap cancel_sprite;   // button 212
  ResourceBitmap progress_fill;
  ResourceBitmap progress_track;

  // Texts.
  UINT title_text_id = 0;
  UINT default_checkbox_text_id = 425;
  bool title_centred = false;
  TextColour title_colour;
  TextColour licence_colour;
  TextColour licence_link_colour;
  TextColour progress_text_colour;
  COLORREF text_colour = RGB(0, 0, 0);      // the late licence line
  COLORREF checkbox_colour = RGB(0, 0, 0);  // 109, 110, 112
  COLORREF install_text_colour = RGB(0, 0, 0);  // on the yellow button

  // Fonts (owned by the look).
  HFONT title_font = nullptr;
  HFONT body_font = nullptr;
  HFONT link_font = nullptr;
  HFONT small_font = nullptr;
  HFONT small_underlined_font = nullptr;

  // The brush behind the slides.
  HBRUSH slide_brush = nullptr;

  // The layered shadow window around `owner` (hidden when `visible` is
  // false); null when it cannot be made.
  virtual HWND CreateShadow(HWND owner, bool visible) = 0;
  // Gives `window` the look's rounded corners (none for square ones).
  virtual void ApplyRegion(HWND window) const = 0;
};

// The look of the brand (redesigned when InstallerFacetune2023 is on).
std::unique_ptr<WindowLook> CreateWindowLook(const WindowLookInputs& inputs);

}  // namespace lite_installer
