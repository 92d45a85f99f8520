#include "installer/ui/controls/subclassed_window.h"

#include <map>

namespace lite_installer {
namespace {

struct Entry {
  SubclassedWindow* object = nullptr;  // null once the object is gone
  WNDPROC previous = nullptr;
};

std::map<HWND, Entry>& Registry() {
  static std::map<HWND, Entry> registry;
  return registry;
}

}  // namespace

SubclassedWindow::~SubclassedWindow() { Unsubclass(); }

bool SubclassedWindow::Subclass(HWND window) {
  if (!window || hwnd_ || !::IsWindow(window)) return false;
  auto it = Registry().find(window);
  if (it != Registry().end()) {
    if (it->second.object) return false;
    // An earlier object left its procedure in the chain: take its place.
    it->second.object = this;
    hwnd_ = window;
    previous_ = it->second.previous;
    return true;
  }
  hwnd_ = window;
  previous_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Thunk)));
  Registry()[window] = Entry{this, previous_};
  return true;
}

void SubclassedWindow::Unsubclass() {
  if (!hwnd_) return;
  auto it = Registry().find(hwnd_);
  if (::IsWindow(hwnd_) &&
      ::GetWindowLongPtrW(hwnd_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Thunk)) {
    ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    if (it != Registry().end()) Registry().erase(it);
  } else if (it != Registry().end()) {
    // Another procedure sits above ours: keep forwarding to the previous one.
    it->second.object = nullptr;
  }
  hwnd_ = nullptr;
}

SubclassedWindow* SubclassedWindow::FromHandle(HWND window) {
  auto it = Registry().find(window);
  return it == Registry().end() ? nullptr : it->second.object;
}

LRESULT SubclassedWindow::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  return CallPrevious(message, wparam, lparam);
}

LRESULT SubclassedWindow::CallPrevious(UINT message, WPARAM wparam, LPARAM lparam) {
  return previous_ ? ::CallWindowProcW(previous_, hwnd_, message, wparam, lparam)
                   : ::DefWindowProcW(hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK SubclassedWindow::Thunk(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto it = Registry().find(window);
  if (it == Registry().end()) return ::DefWindowProcW(window, message, wparam, lparam);
  Entry entry = it->second;
  if (message == WM_NCDESTROY) {
    // The window goes: forget it, then hand the message on.
    Registry().erase(it);
    if (entry.object) entry.object->hwnd_ = nullptr;
  } else if (entry.object) {
    return entry.object->WindowProc(message, wparam, lparam);
  }
  return entry.previous ? ::CallWindowProcW(entry.previous, window, message, wparam, lparam)
                        : ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace lite_installer
