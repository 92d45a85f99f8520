// The progress screen of the installer window: the slide show, the progress
// bar with its text and the taskbar button's progress, the late licence
// line when the first screen was skipped, and the frame's buttons in their
// progress places. It opens in two steps around the first screen's end.
#pragma once

#include <windows.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <functional>
#include <memory>
#include <string>

#include "installer/ui/controls/custom_progress_bar.h"
#include "installer/ui/controls/link_control.h"
#include "installer/ui/window/progress_model.h"
#include "installer/ui/window/window_frame.h"

namespace lite_installer {

class SlideShowPainter;

constexpr UINT_PTR kSlideTimerId = 100;
constexpr UINT kSlideTimerMs = 20;

class ProgressScreen {
 public:
  // `progress_text` is the progress line for a percent.
  ProgressScreen(WindowFrame& frame, std::function<std::wstring(int percent)> progress_text);
  ~ProgressScreen();
  ProgressScreen(const ProgressScreen&) = delete;
  ProgressScreen& operator=(const ProgressScreen&) = delete;

  // While the first screen still stands: the taskbar button's progress,
  // the late licence line (first screen `skipped`, origin look), the bar
  // and its text in their places, minimize shown, the slide show.
  void Create(bool skipped);
  // Once the first screen's windows are gone: the frame's buttons over the
  // first slide, the title of a `skipped` first screen (redesigned look),
  // the cancel button when `cancel_allowed` (else it goes), the bar at 0,
  // the logo, the slide timer and the focus. The screen is then active.
  void Show(bool skipped, bool cancel_allowed);
  bool active() const { return progress_.active(); }

  // The bar, its text and the taskbar button at `percent`; only once
  // active, and each new value once.
  void SetProgress(int percent);
  // The slide timer: the late licence line and the title go at the first
  // slide change; the window is redrawn when the picture changed.
  void OnTimer();
  // The slide on show, the logo (origin look); the frame's buttons blend
  // with the slide.
  void Paint(HDC dc, const RECT& client);
  // WM_DRAWITEM of the progress text, the late licence text or link; false
  // for any other control.
  bool DrawItem(const DRAWITEMSTRUCT& draw) const;

 private:
  void CreateTaskbarProgress();
  void CreateLateLicenceLine();
  void PlaceCancelButton(bool cancel_allowed);

  WindowFrame& frame_;
  std::function<std::wstring(int)> progress_text_;
  Microsoft::WRL::ComPtr<ITaskbarList3> taskbar_;
  std::unique_ptr<LinkControl> late_licence_link_;
  std::unique_ptr<CustomProgressBar> progress_bar_;
  std::unique_ptr<SlideShowPainter> slides_;
  bool late_licence_shown_ = false;
  bool header_text_pending_ = false;
  ProgressState progress_;
};

}  // namespace lite_installer
