// The dialogs the installer window runs over itself: the resume-or-stop
// question, the error dialog for a controller error kind and the notices
// that setup asks for. This is the one place where the window reaches them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

namespace lite_installer {

class BrandInfo;
class DistribInfoParams;

// End codes of a dialog.
constexpr int kDialogMainButton = 1;
constexpr int kDialogSecondButton = 212;
constexpr int kDialogCloseButton = 213;

// Notice kinds that setup's messages ask for.
enum class NoticeKind : int {
  kNewerVersionInstalled = 0,
  kCorporateNewerVersion = 3,
  kCorporateBrowserExists = 4,
};

class WindowDialogs {
 public:
  virtual ~WindowDialogs() = default;
  // The resume dialog, run modally over `owner` (it may run again later);
  // its end code: 212 or 213 stop the installation, anything else continues.
  virtual int RunResume(HWND owner) = 0;
  // Ends the resume dialog when it is open (setup closed the window).
  virtual void EndResume(int code) = 0;
  // The error dialog for a controller error kind, run modally (the caller's
  // windows are hidden already).
  virtual void RunError(HWND owner, int32_t error_kind) = 0;
  // A notice; returns its end code.
  virtual int RunNotice(HWND owner, NoticeKind kind) = 0;
};

// The window's dialogs for this brand and these parameters.
std::unique_ptr<WindowDialogs> CreateWindowDialogs(const BrandInfo* brand, const DistribInfoParams* params,
                                                   bool error_download_button = true);

}  // namespace lite_installer
