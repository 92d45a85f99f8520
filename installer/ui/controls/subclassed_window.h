// Controls whose window procedure is replaced by objects, the one way the
// installer subclasses a window: the objects are found from the window
// handle through one process-wide ordered map (UI thread only). A window may
// carry several objects (a control and its accessibility proxy): the last
// one to subclass it sees a message first and hands what it does not answer
// to the one before it with CallPrevious, the first one to the window's own
// procedure.
#pragma once

#include <windows.h>

namespace lite_installer {

class SubclassedWindow {
 public:
  SubclassedWindow() = default;
  SubclassedWindow(const SubclassedWindow&) = delete;
  SubclassedWindow& operator=(const SubclassedWindow&) = delete;
  // Leaves the window's procedures (when the window still exists).
  virtual ~SubclassedWindow();

  // Puts this object in front of the procedures of `window`; false when it
  // already subclasses a window or the window is gone.
  bool Subclass(HWND window);
  void Unsubclass();
  HWND hwnd() const { return hwnd_; }

  // The object that sees `window`'s messages first, or null.
  static SubclassedWindow* FromHandle(HWND window);

 protected:
  virtual LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam);
  // The object before this one, or the window's own procedure.
  LRESULT CallPrevious(UINT message, WPARAM wparam, LPARAM lparam);
  // The window went: WM_NCDESTROY has been through its own procedure, and
  // this object no longer subclasses it (hwnd() is null). WindowProc does
  // not see WM_NCDESTROY.
  virtual void OnWindowGone() {}

 private:
  static LRESULT CALLBACK Thunk(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = nullptr;
};

}  // namespace lite_installer
