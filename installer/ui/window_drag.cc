#include "installer/ui/window_drag.h"

namespace lite_installer {

bool WindowDrag::HandleMessage(HWND window, UINT message, UINT move_message) {
  switch (message) {
    case WM_LBUTTONDOWN:
      dragging_ = true;
      ::GetCursorPos(&origin_);
      ::SetCapture(window);
      return true;
    case WM_MOUSEMOVE:
      if (dragging_ && ::GetCapture() == window) {
        POINT now;
        ::GetCursorPos(&now);
        RECT rect;
        ::GetWindowRect(window, &rect);
        ::SetWindowPos(window, nullptr, rect.left + now.x - origin_.x, rect.top + now.y - origin_.y, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        origin_ = now;
        ::SendMessageW(window, move_message, 0, 0);
      }
      return true;
    case WM_LBUTTONUP:
      if (dragging_) ::ReleaseCapture();
      dragging_ = false;
      return true;
    case WM_CAPTURECHANGED:
      dragging_ = false;
      return true;
    default:
      return false;
  }
}

}  // namespace lite_installer
