#include "installer/ui/shadow_window.h"

#include <objbase.h>
#include <gdiplus.h>

#include "base/scoped_gdi.h"
#include "installer/ui/display_scale.h"
#include "installer/ui/resource_bitmap.h"
#include "installer/ui/window_drawing.h"
#include "installer/ui/window_theme.h"

namespace lite_installer {

ShadowLayout PlaceShadowPieces(SIZE sheet, const std::array<SIZE, 4>& c,
                               const std::array<int, 4>& t) {
  const LONG w = sheet.cx, h = sheet.cy;
  ShadowLayout layout;
  layout.corners[0] = {0, 0, c[0].cx, c[0].cy};
  layout.corners[1] = {w - c[1].cx, 0, w, c[1].cy};
  layout.corners[2] = {w - c[2].cx, h - c[2].cy, w, h};
  layout.corners[3] = {0, h - c[3].cy, c[3].cx, h};
  layout.edges[0] = {0, c[0].cy, t[0], h - c[3].cy};
  layout.edges[1] = {c[0].cx, 0, w - c[1].cx, t[1]};
  layout.edges[2] = {w - t[2], c[1].cy, w, h - c[2].cy};
  layout.edges[3] = {c[3].cx, h - t[3], w - c[2].cx, h};
  return layout;
}

base::ScopedBitmap ComposeShadowBitmap(const InstallationWindowTheme& theme, SIZE window_size) {
  const int margin = Scaled(theme.layout().ShadowMargin());
  const SIZE sheet = {window_size.cx + 2 * margin, window_size.cy + 2 * margin};
  std::array<ImagePair, 4> corners, edges;
  for (int i = 0; i < 4; ++i) {
    corners[i] = theme.ShadowCornerPicture(static_cast<ShadowCorner>(i));
    edges[i] = theme.ShadowEdgePicture(static_cast<ShadowEdge>(i));
  }
  return ComposeShadowSheet(sheet, corners, edges);
}

base::ScopedBitmap ComposeShadowSheet(SIZE sheet, const std::array<ImagePair, 4>& corner_pictures,
                                      const std::array<ImagePair, 4>& edge_pictures) {
  void* bits = nullptr;
  base::ScopedBitmap bitmap = CreateScreenBitmap(sheet.cx, sheet.cy, &bits);
  if (!bitmap) return bitmap;
  std::array<ResourceBitmap, 4> corners, edges;
  std::array<SIZE, 4> corner_sizes;
  std::array<int, 4> thickness;
  for (int i = 0; i < 4; ++i) {
    corners[i] = ResourceBitmap::LoadPair(corner_pictures[i]);
    edges[i] = ResourceBitmap::LoadPair(edge_pictures[i]);
    corner_sizes[i] = {corners[i].Width(), corners[i].Height()};
    // Left and right edges are as thick as their pictures are wide.
    thickness[i] = (i % 2 == 0) ? edges[i].Width() : edges[i].Height();
  }
  const ShadowLayout layout = PlaceShadowPieces(sheet, corner_sizes, thickness);
  // Draw into the bitmap's own pixels with GDI+, which keeps the alpha.
  Gdiplus::Bitmap target(sheet.cx, sheet.cy, sheet.cx * 4, PixelFormat32bppPARGB,
                         static_cast<BYTE*>(bits));
  Gdiplus::Graphics graphics(&target);
  for (int i = 0; i < 4; ++i) {
    const RECT& c = layout.corners[i];
    corners[i].Draw(&graphics, c.left, c.top, c.right - c.left, c.bottom - c.top, 0, 0,
                    corners[i].Width(), corners[i].Height());
    const RECT& e = layout.edges[i];
    edges[i].Draw(&graphics, e.left, e.top, e.right - e.left, e.bottom - e.top, 0, 0,
                  edges[i].Width(), edges[i].Height());
  }
  return bitmap;
}

bool ShadowWindow::Create(HWND owner, const InstallationWindowTheme& theme, bool visible) {
  const int margin = Scaled(theme.layout().ShadowMargin());
  RECT rect;
  if (!::GetWindowRect(owner, &rect)) return false;
  base::ScopedBitmap bitmap = ComposeShadowBitmap(theme, SIZE{rect.right - rect.left, rect.bottom - rect.top});
  if (!bitmap) return false;
  if (!CreateFromSheet(owner, bitmap.get(), RECT{margin, margin, margin, margin}, visible)) return false;
  margin_ = margin;
  return true;
}

bool ShadowWindow::CreateFromSheet(HWND owner, HBITMAP sheet, const RECT& margins, bool visible) {
  owner_ = owner;
  margins_ = margins;
  margin_ = margins.left;
  RECT rect;
  if (!::GetWindowRect(owner, &rect)) return false;
  const SIZE size = {rect.right - rect.left + margins.left + margins.right,
                     rect.bottom - rect.top + margins.top + margins.bottom};
  POINT position = {rect.left - margins.left, rect.top - margins.top};
  window_.reset(::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW |
                                      WS_EX_NOACTIVATE,
                                  L"STATIC", L"", WS_POPUP, position.x, position.y, size.cx,
                                  size.cy, owner, nullptr, nullptr, nullptr));
  if (!window_) return false;
  base::ScopedScreenDC screen;
  base::ScopedMemoryDC memory(::CreateCompatibleDC(screen.get()));
  if (!memory) return false;
  {
    base::ScopedSelectObject selected(memory.get(), sheet);
    POINT origin = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    SIZE update_size = size;
    if (!::UpdateLayeredWindow(window_.get(), screen.get(), &position, &update_size, memory.get(),
                               &origin, 0, &blend, ULW_ALPHA)) {
      return false;
    }
  }
  if (visible) Show();
  return true;
}

void ShadowWindow::FollowOwner() {
  RECT rect;
  if (!window_ || !::GetWindowRect(owner_, &rect)) return;
  ::SetWindowPos(window_.get(), nullptr, rect.left - margins_.left, rect.top - margins_.top,
                 rect.right - rect.left + margins_.left + margins_.right,
                 rect.bottom - rect.top + margins_.top + margins_.bottom, SWP_NOACTIVATE | SWP_NOZORDER);
}
void ShadowWindow::Show() {
  if (window_) ::ShowWindow(window_.get(), SW_SHOWNOACTIVATE);
}

void ShadowWindow::Hide() {
  if (window_) ::ShowWindow(window_.get(), SW_HIDE);
}

bool ShadowWindow::IsVisible() const { return window_ && ::IsWindowVisible(window_.get()); }

}  // namespace lite_installer
