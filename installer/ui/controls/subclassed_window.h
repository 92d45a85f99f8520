// Controls whose window procedure is replaced by an object: the object is
// found from the window handle through one process-wide ordered map (UI
// thread only). Messages the object does not answer go to the previous
// procedure.
#pragma once

#include <windows.h>

namespace lite_installer {

class SubclassedWindow {
 public:
  SubclassedWindow() = default;
  SubclassedWindow(const SubclassedWindow&) = delete;
  SubclassedWindow& operator=(const SubclassedWindow&) = delete;
  // Puts the previous procedure back (when the window still exists).
  virtual ~SubclassedWindow();

  // Replaces the procedure of `window`; false when it already has an
  // object or the window is gone.
  bool Subclass(HWND window);
  void Unsubclass();
  HWND hwnd() const { return hwnd_; }

  // The object that owns `window`'s procedure, or null.
  static SubclassedWindow* FromHandle(HWND window);

 protected:
  virtual LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT CallPrevious(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static LRESULT CALLBACK Thunk(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = nullptr;
  WNDPROC previous_ = nullptr;
};

}  // namespace lite_installer
