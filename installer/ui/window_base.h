// The one base of the installer's dialog windows (the installer window and
// its small dialogs): the dialog procedure that finds the object from the
// window handle, the painting, background erasing and dialog brush they all
// share, and dragging the borderless window by its background (each step
// sends the window its registered move message, which setup may send too).
#pragma once

#include <windows.h>

#include <atomic>

#include "installer/ui/window_drag.h"

namespace lite_installer {

class WindowBase {
 public:
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;

  // The dialog window from WM_INITDIALOG to WM_NCDESTROY, else null; any
  // thread may read it.
  HWND hwnd() const { return hwnd_.load(); }

 protected:
  WindowBase();
  virtual ~WindowBase();

  // Runs dialog template `template_id` modally over `owner` (may be null)
  // with this object's procedure; DialogBoxParamW's result.
  INT_PTR RunDialog(int template_id, HWND owner);

  // Every message the base leaves to the window; the dialog procedure's
  // return value. The base answers WM_PAINT, WM_ERASEBKGND (erased: the
  // painting covers everything), WM_CTLCOLORDLG (no brush), the move message
  // and the mouse messages of a drag.
  virtual INT_PTR OnMessage(UINT message, WPARAM wparam, LPARAM lparam) = 0;
  // WM_PAINT, between BeginPaint and EndPaint.
  virtual void OnPaint(HDC dc) = 0;
  // WM_PAINT, after EndPaint.
  virtual void OnPainted() {}
  // The move message: the window moved (its shadow follows).
  virtual void OnMoveWindow() {}
  // WM_NCDESTROY, after OnMessage saw it, while hwnd() still names the window.
  virtual void OnWindowDestroyed() {}

  // Answers the message being handled with `result` (DWLP_MSGRESULT); TRUE.
  INT_PTR SetMessageResult(LRESULT result) const;
  // The registered move message ("kelmor.lite.move_window").
  UINT move_message() const { return msg_move_window_; }

 private:
  static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR DialogProc(UINT message, WPARAM wparam, LPARAM lparam);

  std::atomic<HWND> hwnd_{nullptr};
  UINT msg_move_window_ = 0;
  WindowDrag drag_;
};

}  // namespace lite_installer
