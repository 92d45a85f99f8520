#include "installer/ui/controls/custom_progress_bar.h"

#include <commctrl.h>

#include <optional>
#include <string>

#include "base/scoped_gdi.h"
#include "installer/ui/controls/accessible_proxy.h"
#include "installer/ui/controls/control_painting.h"

namespace lite_installer {

int ProgressDoneWidth(int width, int low, int high, int pos) {
  if (high <= low || width <= 0) return 0;
  long long done = static_cast<long long>(width) * (pos - low) / (high - low);
  if (done < 0) return 0;
  return done > width ? width : static_cast<int>(done);
}

CustomProgressBar::CustomProgressBar(HWND bar) {
  Subclass(bar);
  if (AccessibleProxy* proxy = AccessibleProxy::For(bar)) proxy->SetRole(kAccRoleProgressBar);
}

void CustomProgressBar::SetImages(ResourceBitmap fill, ResourceBitmap track, ResourceBitmap background) {
  fill_ = std::move(fill);
  track_ = std::move(track);
  background_ = std::move(background);
  if (hwnd()) ::InvalidateRect(hwnd(), nullptr, FALSE);
}

void CustomProgressBar::SetRange(int low, int high) {
  if (hwnd()) ::SendMessageW(hwnd(), PBM_SETRANGE, 0, MAKELPARAM(low, high));
}

void CustomProgressBar::SetPos(int value) {
  if (!hwnd()) return;
  ::SendMessageW(hwnd(), PBM_SETPOS, static_cast<WPARAM>(value), 0);
  if (AccessibleProxy* proxy = AccessibleProxy::Find(hwnd()))
    proxy->SetValue(std::to_wstring(value) + L"%");
}

int CustomProgressBar::GetPos() const {
  return hwnd() ? static_cast<int>(::SendMessageW(hwnd(), PBM_GETPOS, 0, 0)) : 0;
}

void CustomProgressBar::Paint(HDC dc, const RECT& client) {
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (!background_.empty()) DrawBackgroundUnder(dc, background_, hwnd(), client);
  PBRANGE range = {};
  ::SendMessageW(hwnd(), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  const int pos = GetPos();
  const int done = ProgressDoneWidth(width, range.iLow, range.iHigh, pos);
  if (done > 0) fill_.Draw(dc, 0, 0, done, height, 0, 0, done, height);
  if (width > done) track_.Draw(dc, done, 0, width - done, height, done, 0, width - done, height);
}

LRESULT CustomProgressBar::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: {
      std::optional<base::ScopedPaintDC> paint;
      if (message == WM_PAINT) paint.emplace(hwnd());
      HDC dc = paint ? paint->get() : reinterpret_cast<HDC>(wparam);
      RECT client = {};
      ::GetClientRect(hwnd(), &client);
      if (!background_.empty()) {
        // Through an off-screen buffer, so the bar never flickers.
        base::ScopedBitmapDC memory(dc, client.right, client.bottom);
        Paint(memory.get(), client);
        ::BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
      } else {
        Paint(dc, client);
      }
      return 0;
    }
    default:
      return CallPrevious(message, wparam, lparam);
  }
}

}  // namespace lite_installer
