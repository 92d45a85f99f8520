// The soft shadow around the borderless window: a layered "STATIC" popup
// owned by the window, grown by the layout's shadow margin (scaled) on every
// side, drawn once from the theme's four corner and four edge pictures and
// shown with per-pixel alpha.
#pragma once

#include <windows.h>

#include <array>

#include "base/scoped_handle.h"
#include "installer/ui/picture_choice.h"

namespace lite_installer {

class InstallationWindowTheme;

// Where the pieces go on a sheet of `sheet` size: corners (top-left,
// top-right, bottom-right, bottom-left) at their own size in the sheet's
// corners, edges (left, top, right, bottom) as thick as their pictures and
// stretched between the corners. The middle stays empty.
struct ShadowLayout {
  std::array<RECT, 4> corners;
  std::array<RECT, 4> edges;
};
ShadowLayout PlaceShadowPieces(SIZE sheet, const std::array<SIZE, 4>& corner_sizes,
                               const std::array<int, 4>& edge_thickness);

// The shadow picture for a window of `window_size` device pixels: a
// premultiplied 32-bit bitmap of the grown size.
base::ScopedBitmap ComposeShadowBitmap(const InstallationWindowTheme& theme, SIZE window_size);
// The same for any sheet from four corner and four edge pictures (corners
// top-left, top-right, bottom-right, bottom-left; edges left, top, right,
// bottom).
base::ScopedBitmap ComposeShadowSheet(SIZE sheet, const std::array<ImagePair, 4>& corners,
                                      const std::array<ImagePair, 4>& edges);

class ShadowWindow {
 public:
  ShadowWindow() = default;
  ShadowWindow(const ShadowWindow&) = delete;
  ShadowWindow& operator=(const ShadowWindow&) = delete;

  // Creates the shadow around `owner` (visible at once when `visible`).
  bool Create(HWND owner, const InstallationWindowTheme& theme, bool visible);
  // Creates the shadow from a ready premultiplied sheet that reaches
  // `margins` beyond the owner's rectangle on each side.
  bool CreateFromSheet(HWND owner, HBITMAP sheet, const RECT& margins, bool visible);
  // Puts the shadow around the owner's current rectangle again.
  void FollowOwner();
  void Show();
  void Hide();
  bool IsVisible() const;
  HWND hwnd() const { return window_.get(); }
  int margin() const { return margin_; }

 private:
  HWND owner_ = nullptr;
  int margin_ = 0;
  RECT margins_ = {0, 0, 0, 0};
  base::ScopedWindow window_;
};

}  // namespace lite_installer
