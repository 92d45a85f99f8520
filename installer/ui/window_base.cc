#include "installer/ui/window_base.h"

#include "base/scoped_gdi.h"

namespace lite_installer {

WindowBase::WindowBase() { msg_move_window_ = ::RegisterWindowMessageW(L"kelmor.lite.move_window"); }

WindowBase::~WindowBase() = default;

INT_PTR WindowBase::RunDialog(int template_id, HWND owner) {
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(template_id), owner, &StaticDialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR WindowBase::SetMessageResult(LRESULT result) const {
  ::SetWindowLongPtrW(hwnd(), DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR CALLBACK WindowBase::StaticDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  WindowBase* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<WindowBase*>(lparam);
    ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = window;
  } else {
    self = reinterpret_cast<WindowBase*>(::GetWindowLongPtrW(window, DWLP_USER));
  }
  if (!self) return FALSE;
  const INT_PTR result = self->DialogProc(message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    self->OnWindowDestroyed();
    self->hwnd_ = nullptr;
  }
  return result;
}

INT_PTR WindowBase::DialogProc(UINT message, WPARAM wparam, LPARAM lparam) {
  HWND window = hwnd();
  if (message == msg_move_window_ && message) {
    OnMoveWindow();
    return TRUE;
  }
  if (drag_.HandleMessage(window, message, msg_move_window_)) return TRUE;
  switch (message) {
    case WM_PAINT: {
      {
        base::ScopedPaintDC paint(window);
        OnPaint(paint.get());
      }
      OnPainted();
      return TRUE;
    }
    case WM_ERASEBKGND:
      return SetMessageResult(1);
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(::GetStockObject(NULL_BRUSH));
    default:
      return OnMessage(message, wparam, lparam);
  }
}

}  // namespace lite_installer
