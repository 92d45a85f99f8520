#include "installer/ui/window/lite_main_window.h"

#include "installer/config/brand_info.h"
#include "installer/ui/ui_strings.h"

namespace lite_installer {
namespace {

constexpr UINT kStringDownloading = 411;
constexpr UINT kStringInstalling = 412;
constexpr UINT kStringAlmostDone = 413;

// The window whose hook runs (one hook per process, on the UI thread).
LiteMainWindow* g_hooked_window = nullptr;
HWND g_hooked_dialog = nullptr;

}  // namespace

int ArrowFocusTarget(int focused_id, UINT key) {
  if (focused_id == kIdInstall && (key == VK_LEFT || key == VK_UP)) return kIdLicenceLink;
  if (focused_id == kIdLicenceLink && (key == VK_RIGHT || key == VK_DOWN)) return kIdInstall;
  return 0;
}

LiteMainWindow::LiteMainWindow(std::shared_ptr<const BrandInfo> brand, std::shared_ptr<const DistribInfoParams> params,
                               bool open_mode, MainWindowEnvironment environment)
    : MainWindow(std::move(brand), std::move(params), open_mode, std::move(environment)) {
  labels_.downloading = LoadUiString(kStringDownloading, langid_);
  labels_.installing = LoadUiString(kStringInstalling, langid_);
  labels_.almost_done = LoadUiString(kStringAlmostDone, langid_);
}

LiteMainWindow::~LiteMainWindow() { RemoveHook(); }

std::wstring LiteMainWindow::ProgressTextFor(int percent) const {
  return ProgressText(percent, facetune_ ? &labels_ : nullptr);
}

void LiteMainWindow::OnFirstScreenCreated() {
  if (hook_ || g_hooked_window) return;
  hook_ = ::SetWindowsHookExW(WH_KEYBOARD, &KeyboardHook, nullptr, ::GetCurrentThreadId());
  if (hook_) {
    g_hooked_window = this;
    g_hooked_dialog = hwnd();
  }
}

void LiteMainWindow::OnWindowDestroyed() { RemoveHook(); }

void LiteMainWindow::RemoveHook() {
  if (!hook_) return;
  ::UnhookWindowsHookEx(hook_);
  hook_ = nullptr;
  if (g_hooked_window == this) {
    g_hooked_window = nullptr;
    g_hooked_dialog = nullptr;
  }
}

LRESULT CALLBACK LiteMainWindow::KeyboardHook(int code, WPARAM wparam, LPARAM lparam) {
  HHOOK hook = g_hooked_window ? g_hooked_window->hook_ : nullptr;
  if (code == HC_ACTION && g_hooked_dialog) {
    HWND focus = ::GetFocus();
    if (focus && ::GetParent(focus) == g_hooked_dialog) {
      const int target = ArrowFocusTarget(::GetDlgCtrlID(focus), static_cast<UINT>(wparam));
      if (target) {
        // The hook sees the press and the release; the focus moves once per
        // keystroke, on the press (bit 31 clear), and the dialog never sees
        // either.
        const bool press = (static_cast<uint32_t>(lparam) & 0x80000000u) == 0;
        if (press) {
          if (HWND next = ::GetDlgItem(g_hooked_dialog, target)) {
            ::SendMessageW(g_hooked_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
          }
        }
        return 1;
      }
    }
  }
  return ::CallNextHookEx(hook, code, wparam, lparam);
}

}  // namespace lite_installer
