// Push buttons painted from a sprite of three frames side by side
// (0 normal, 1 hot, 2 pressed) over the picture that lies under them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "installer/ui/resource_bitmap.h"

namespace lite_installer {

enum class ButtonState { kNormal = 0, kHot = 1, kPressed = 2 };

// State from a custom-draw item state: selected is pressed, else hot.
ButtonState ButtonStateFromItemState(UINT item_state);

struct Insets {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

class SpriteButton {
 public:
  SpriteButton(HWND button, ResourceBitmap sprite);
  virtual ~SpriteButton();
  SpriteButton(const SpriteButton&) = delete;
  SpriteButton& operator=(const SpriteButton&) = delete;

  HWND hwnd() const { return hwnd_; }
  // (sprite width / 3, sprite height).
  SIZE GetSize() const;

  // The picture under the button: it covers the parent's client area from
  // its top-left corner.
  void set_background(ResourceBitmap background) { background_ = std::move(background); }
  void set_text_colour(COLORREF colour) { text_colour_ = colour; }
  void set_font(HFONT font) { font_ = font; }
  void set_text_insets(Insets insets) { insets_ = insets; }
  void set_pressed_offset(POINT offset) { pressed_offset_ = offset; }
  // How far inside the button the keyboard focus rectangle is drawn.
  void set_focus_inset(int inset) { focus_inset_ = inset; }
  void set_keyboard_focus_visible(bool visible) { keyboard_focus_visible_ = visible; }
  bool keyboard_focus_visible() const { return keyboard_focus_visible_; }
  void set_sprite(ResourceBitmap sprite) { sprite_ = std::move(sprite); }
  const ResourceBitmap& sprite() const { return sprite_; }

  // NM_CUSTOMDRAW: paints everything at the pre-erase stage and returns
  // CDRF_SKIPDEFAULT (4) so the system draws nothing; other stages get
  // CDRF_DODEFAULT.
  LRESULT Paint(const NMCUSTOMDRAW& draw);

 protected:
  // The sprite frame for `state` over `rect`.
  virtual void DrawFrame(HDC dc, const RECT& rect, ButtonState state);

  HWND hwnd_;
  ResourceBitmap sprite_;
  ResourceBitmap background_;
  COLORREF text_colour_ = RGB(0, 0, 0);
  HFONT font_ = nullptr;
  Insets insets_;
  POINT pressed_offset_ = {0, 0};
  int focus_inset_ = 0;
  bool keyboard_focus_visible_ = false;
};

// A sprite button sized to its text whose frame is stretched between two
// caps drawn unstretched.
class StretchButton : public SpriteButton {
 public:
  StretchButton(HWND button, ResourceBitmap sprite, int cap);
  // Text size plus the padding on each side (with the button's font).
  SIZE MeasureForText(int padding_x, int padding_y) const;

 protected:
  void DrawFrame(HDC dc, const RECT& rect, ButtonState state) override;

 private:
  int cap_;
};

}  // namespace lite_installer
