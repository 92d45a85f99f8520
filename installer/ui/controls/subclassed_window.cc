#include "installer/ui/controls/subclassed_window.h"

#include <algorithm>
#include <map>
#include <vector>

namespace lite_installer {
namespace {

struct Entry {
  std::vector<SubclassedWindow*> objects;  // the last one sees a message first
  WNDPROC original = nullptr;              // the window's own procedure
};

std::map<HWND, Entry>& Registry() {
  static std::map<HWND, Entry> registry;
  return registry;
}

LRESULT CallOriginal(WNDPROC original, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return original ? ::CallWindowProcW(original, window, message, wparam, lparam)
                  : ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

SubclassedWindow::~SubclassedWindow() { Unsubclass(); }

bool SubclassedWindow::Subclass(HWND window) {
  if (!window || hwnd_ || !::IsWindow(window)) return false;
  auto it = Registry().find(window);
  if (it == Registry().end()) {
    Entry entry;
    entry.original = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Thunk)));
    it = Registry().emplace(window, std::move(entry)).first;
  }
  // An entry without objects: an earlier object left the procedure in the
  // chain, and this one takes its place.
  it->second.objects.push_back(this);
  hwnd_ = window;
  return true;
}

void SubclassedWindow::Unsubclass() {
  if (!hwnd_) return;
  auto it = Registry().find(hwnd_);
  if (it != Registry().end()) {
    std::vector<SubclassedWindow*>& objects = it->second.objects;
    objects.erase(std::remove(objects.begin(), objects.end(), this), objects.end());
    if (objects.empty() && ::IsWindow(hwnd_) &&
        ::GetWindowLongPtrW(hwnd_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Thunk)) {
      ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.original));
      Registry().erase(it);
    }
    // Otherwise other objects remain, or another procedure sits above ours:
    // the procedure keeps forwarding.
  }
  hwnd_ = nullptr;
}

SubclassedWindow* SubclassedWindow::FromHandle(HWND window) {
  auto it = Registry().find(window);
  return it == Registry().end() || it->second.objects.empty() ? nullptr : it->second.objects.back();
}

LRESULT SubclassedWindow::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  return CallPrevious(message, wparam, lparam);
}

LRESULT SubclassedWindow::CallPrevious(UINT message, WPARAM wparam, LPARAM lparam) {
  auto it = Registry().find(hwnd_);
  if (it == Registry().end()) return ::DefWindowProcW(hwnd_, message, wparam, lparam);
  const std::vector<SubclassedWindow*>& objects = it->second.objects;
  auto self = std::find(objects.begin(), objects.end(), this);
  if (self != objects.end() && self != objects.begin()) return (*(self - 1))->WindowProc(message, wparam, lparam);
  return CallOriginal(it->second.original, hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK SubclassedWindow::Thunk(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto it = Registry().find(window);
  if (it == Registry().end()) return ::DefWindowProcW(window, message, wparam, lparam);
  if (message != WM_NCDESTROY) {
    if (!it->second.objects.empty()) return it->second.objects.back()->WindowProc(message, wparam, lparam);
    return CallOriginal(it->second.original, window, message, wparam, lparam);
  }
  // The window goes: forget it, step out of its chain, hand the message on,
  // then tell the objects (the last first).
  const Entry entry = std::move(it->second);
  Registry().erase(it);
  if (::GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Thunk))
    ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entry.original));
  for (SubclassedWindow* object : entry.objects) object->hwnd_ = nullptr;
  const LRESULT result = CallOriginal(entry.original, window, message, wparam, lparam);
  for (auto object = entry.objects.rbegin(); object != entry.objects.rend(); ++object) (*object)->OnWindowGone();
  return result;
}

}  // namespace lite_installer
