// Check boxes painted from a sprite of six frames side by side:
// 0..2 unchecked normal/hot/pressed, 3..5 checked normal/hot/pressed.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "installer/ui/resource_bitmap.h"

namespace lite_installer {

// (pressed ? 2 : hot ? 1 : 0) + (checked ? 3 : 0).
int CheckboxFrameIndex(bool checked, bool hot, bool pressed);

// Whether the common controls draw with visual styles in this process.
bool VisualStylesActive();

struct CheckboxStyle {
  COLORREF text_colour = RGB(0, 0, 0);
  HFONT font = nullptr;
  int padding = 0;       // owner-draw path: the box's distance from the corner
  int text_offset = 0;   // gap between the box and the text
  BYTE opacity = 255;    // text opacity (redesigned look)
};

class SpriteCheckbox {
 public:
  // `visual_styles` false switches the control to owner-draw; it then keeps
  // its own checked state.
  SpriteCheckbox(HWND checkbox, ResourceBitmap box, CheckboxStyle style, bool visual_styles);
  virtual ~SpriteCheckbox();
  SpriteCheckbox(const SpriteCheckbox&) = delete;
  SpriteCheckbox& operator=(const SpriteCheckbox&) = delete;

  HWND hwnd() const { return hwnd_; }
  bool self_drawn() const { return self_drawn_; }
  SIZE frame_size() const { return frame_size_; }
  void set_background(ResourceBitmap background) { background_ = std::move(background); }

  // Flips the own state (self-drawn only; otherwise the control already did).
  void Toggle();
  bool IsChecked() const;
  void SetChecked(bool checked);

  // padding + max(box height, wrapped text height in the width right of the
  // box) for a control as wide as `rect`.
  virtual int MeasureHeight(const RECT& rect) const;

  // NM_CUSTOMDRAW (visual styles on): returns CDRF_SKIPDEFAULT after
  // painting at the pre-erase stage.
  LRESULT PaintCustomDraw(const NMCUSTOMDRAW& draw);
  // WM_DRAWITEM (visual styles off).
  void PaintOwnerDraw(const DRAWITEMSTRUCT& draw);

 protected:
  void DrawBox(HDC dc, int x, int y, int frame) const;
  // Tells the accessibility proxy (self-drawn only) the current state.
  void ReportChecked() const;
  // The text right of the box at `left` (client coordinates).
  virtual void DrawText(HDC dc, const RECT& item, int left, bool show_prefixes) const;

  HWND hwnd_;
  ResourceBitmap box_;
  ResourceBitmap background_;
  CheckboxStyle style_;
  SIZE frame_size_;
  bool self_drawn_;
  bool checked_ = false;
};

// A checkbox whose text may hold link markup: the plain runs are drawn by
// the checkbox, and the window of each link run (`link_window`) is moved
// onto that run.
class FacetuneCheckbox : public SpriteCheckbox {
 public:
  FacetuneCheckbox(HWND checkbox, ResourceBitmap box, CheckboxStyle style, bool visual_styles,
                   std::wstring marked_up_text, int extra_line_spacing);

  // Lays the text out for the control's current width and moves
  // `link_window` onto the first link run (parent client coordinates).
  void LayoutLinks(HWND link_window);
  int MeasureHeight(const RECT& rect) const override;

  struct Run {
    std::wstring text;
    bool is_link;
    RECT rect;  // checkbox client coordinates
  };
  std::vector<Run> LayoutRuns(int width) const;

 protected:
  void DrawText(HDC dc, const RECT& item, int left, bool show_prefixes) const override;

 private:
  int TextLeft() const;
  std::wstring text_;
  int extra_line_spacing_;
};

}  // namespace lite_installer
