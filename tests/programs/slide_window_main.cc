// Test program: the background slide show in a window of its own, wired as
// the progress screen wires it (a 20 ms timer calls Tick and repaints on a
// change; painting goes through an off-screen buffer).
//
//   slide_window --status=S.json --control=C.txt --log=L.log --base-url=URL
//                [--initial=1|2] [--scale=F] [--width=W] [--height=H]
//
// The show's clock stands still until told: the control file holds the
// number of periods to advance so far ("3"), or "quit". Initial pictures
// are solid colours: with --initial 2, picture 0 (the window background) is
// RGB 40,90,200 and picture 1 (the first slide) RGB 230,120,30; with
// --initial 1 only the latter. The status file (rewritten on every change
// and twice a second) reports the counter, the picture count, whether the
// downloader still runs and the colour painted at the probe point near the
// bottom-left corner.
#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/json.h"
#include "base/logging.h"
#include "base/strings.h"
#include "installer/util/file_logger.h"
#include "installer/config/installer_command_line.h"
#include "installer/ui/slides/slide_show.h"
#include "tests/unit/solid_picture.h"

namespace {

using lite_installer::ResourceBitmap;

constexpr UINT_PTR kAnimationTimer = 100;
constexpr UINT kTimerMs = 20;
constexpr COLORREF kBackgroundColour = RGB(207, 207, 207);

struct App {
  std::unique_ptr<lite_installer::SlideShow> show;
  HBRUSH brush = nullptr;
  SIZE size = {};
  uint64_t clock_ms = 0;
  int steps = 0;
  int ticks = 0;
  int paints = 0;
  int changes = 0;
  COLORREF probe = 0;
  int painted_counter = -1;  // the counter when the probe was read
  std::wstring status_path;
  std::wstring control_path;
  ULONGLONG last_status = 0;
  std::string last_state;
  bool quitting = false;
};

App* g_app = nullptr;

using testing_support::SolidPicture;

void WriteStatus(App* app, bool force) {
  const auto* show = app->show.get();
  base::Value status = base::Value::NewDict();
  status.SetKey("counter", base::Value(show ? show->counter() : -1));
  status.SetKey("has_advanced", base::Value(show && show->HasAdvanced()));
  status.SetKey("picture_count",
                base::Value(show ? static_cast<int>(show->source()->PictureCount()) : 0));
  status.SetKey("worker_running", base::Value(show && show->source()->running()));
  status.SetKey("steps", base::Value(app->steps));
  status.SetKey("changes", base::Value(app->changes));
  status.SetKey("painted_counter", base::Value(app->painted_counter));
  base::Value::List rgb;
  rgb.emplace_back(static_cast<int>(GetRValue(app->probe)));
  rgb.emplace_back(static_cast<int>(GetGValue(app->probe)));
  rgb.emplace_back(static_cast<int>(GetBValue(app->probe)));
  status.SetKey("probe_rgb", base::Value(std::move(rgb)));
  if (show) {
    const RECT& d = show->destination();
    base::Value::List dest;
    for (LONG v : {d.left, d.top, d.right, d.bottom}) dest.emplace_back(static_cast<int>(v));
    status.SetKey("destination", base::Value(std::move(dest)));
    status.SetKey("picture_size", base::Value(base::Value::List{
                                      base::Value(show->CurrentPicture().Width()),
                                      base::Value(show->CurrentPicture().Height())}));
  }
  status.SetKey("exited", base::Value(app->quitting && !show));
  std::string state;
  base::WriteJson(status, base::kJsonWriteCompact, &state);
  const ULONGLONG now = ::GetTickCount64();
  if (!force && state == app->last_state && now - app->last_status < 500) return;
  app->last_state = state;
  app->last_status = now;
  // Heartbeat fields go in after the comparison.
  status.SetKey("ticks", base::Value(app->ticks));
  status.SetKey("paints", base::Value(app->paints));
  std::string text;
  base::WriteJson(status, base::kJsonWritePretty, &text);
  const std::wstring temp = app->status_path + L".new";
  if (base::WriteStringToFile(temp, text))
    ::MoveFileExW(temp.c_str(), app->status_path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void ReadControl(App* app, HWND window) {
  const auto text = base::ReadFileToString(app->control_path, 64);
  if (!text) return;
  const std::string_view command = base::TrimWhitespaceAscii(*text);
  if (command == "quit") {
    ::DestroyWindow(window);
    return;
  }
  const auto wanted = base::ParseInt64(command);
  while (wanted && app->steps < *wanted) {
    ++app->steps;
    app->clock_ms += lite_installer::kSlidePeriodMs;
    // One period per Tick, as a running clock would pass them.
    if (app->show->Tick()) {
      ++app->changes;
      ::InvalidateRect(window, nullptr, FALSE);
    }
  }
}

void Paint(App* app, HWND window) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(window, &ps);
  RECT client;
  ::GetClientRect(window, &client);
  HDC buffer = ::CreateCompatibleDC(dc);
  HBITMAP bitmap = ::CreateCompatibleBitmap(dc, client.right, client.bottom);
  HGDIOBJ old = ::SelectObject(buffer, bitmap);
  if (app->show) app->show->Paint(buffer, client);
  app->probe = ::GetPixel(buffer, 20, client.bottom - 20);
  app->painted_counter = app->show ? app->show->counter() : -1;
  ::BitBlt(dc, 0, 0, client.right, client.bottom, buffer, 0, 0, SRCCOPY);
  ::SelectObject(buffer, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(buffer);
  ::EndPaint(window, &ps);
  ++app->paints;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  App* app = g_app;
  switch (message) {
    case WM_TIMER:
      if (wparam == kAnimationTimer && app->show) {
        ++app->ticks;
        if (app->show->Tick()) {
          ++app->changes;
          ::InvalidateRect(window, nullptr, FALSE);
        }
        ReadControl(app, window);
        if (app->show) WriteStatus(app, false);
      }
      return 0;
    case WM_KEYDOWN:
      if (wparam == 'N') {
        app->clock_ms += lite_installer::kSlidePeriodMs;
        ++app->steps;
      } else if (wparam == VK_ESCAPE) {
        ::DestroyWindow(window);
      }
      return 0;
    case WM_PAINT:
      Paint(app, window);
      WriteStatus(app, true);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_DESTROY:
      ::KillTimer(window, kAnimationTimer);
      app->quitting = true;
      app->show.reset();  // stops and joins the slide downloader
      WriteStatus(app, true);
      ::PostQuitMessage(0);
      return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int wmain() {
  const lite_installer::InstallerCommandLine line(::GetCommandLineW());
  base::SetLogSink(std::make_unique<lite_installer::FileLogger>(line.GetSwitchValue("log"),
                                                                lite_installer::kLogSizeLimit));
  Gdiplus::GdiplusStartupInput gdiplus_input;
  ULONG_PTR gdiplus_token = 0;
  if (Gdiplus::GdiplusStartup(&gdiplus_token, &gdiplus_input, nullptr) != Gdiplus::Ok) return 2;

  const double scale = [&] {
    const std::string text = line.GetSwitchValueAscii("scale");
    return text == "2" ? 2.0 : text == "1.5" ? 1.5 : 1.0;
  }();
  const int width = static_cast<int>(
      base::ParseInt64(line.GetSwitchValueAscii("width")).value_or(static_cast<int64_t>(728 * scale)));
  const int height = static_cast<int>(
      base::ParseInt64(line.GetSwitchValueAscii("height")).value_or(static_cast<int64_t>(400 * scale)));
  const int initial = line.GetSwitchValueAscii("initial") == "2" ? 2 : 1;

  App app;
  g_app = &app;
  app.status_path = line.GetSwitchValue("status");
  app.control_path = line.GetSwitchValue("control");
  app.size = {width, height};
  app.brush = ::CreateSolidBrush(kBackgroundColour);

  std::vector<ResourceBitmap> pictures;
  if (initial == 2) pictures.push_back(SolidPicture(width, height, RGB(40, 90, 200)));
  pictures.push_back(SolidPicture(width, height, RGB(230, 120, 30)));
  auto source = std::make_unique<lite_installer::SlideSource>(
      std::move(pictures), line.GetSwitchValue("base-url"), scale);
  app.show = std::make_unique<lite_installer::SlideShow>(
      app.size, std::move(source), app.brush, lite_installer::kSlidePeriodMs, 1,
      [&app] { return app.clock_ms; });

  WNDCLASSW wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = L"KelmorSlideShowTest";
  ::RegisterClassW(&wc);
  HWND window = ::CreateWindowExW(0, wc.lpszClassName, L"Slide show test", WS_POPUP | WS_VISIBLE, 0, 0,
                                  width, height, nullptr, nullptr, wc.hInstance, nullptr);
  if (!window) return 3;
  ::SetTimer(window, kAnimationTimer, kTimerMs, nullptr);
  ::SetForegroundWindow(window);

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  app.show.reset();
  ::DeleteObject(app.brush);
  g_app = nullptr;
  Gdiplus::GdiplusShutdown(gdiplus_token);
  base::SetLogSink(nullptr);
  return 0;
}
