// Dragging a borderless window by its background: pressing the left button
// captures the mouse, each move while captured moves the window by the
// difference of screen points and then sends the window its move message
// (so that its shadow follows), releasing the button ends the drag.
#pragma once

#include <windows.h>

namespace lite_installer {

class WindowDrag {
 public:
  // Handles the mouse messages of a drag; returns false for any other
  // message, which the caller handles itself.
  bool HandleMessage(HWND window, UINT message, UINT move_message);

 private:
  bool dragging_ = false;
  POINT origin_ = {0, 0};
};

}  // namespace lite_installer
