// What the installer controller reports to the window (or, in the elevated
// instance, to the forwarder that passes it to the first installer's
// window). Called from the install thread: implementations post messages.
#pragma once

#include <windows.h>

#include <cstdint>

namespace lite_installer {

class InstallProgressReceiver {
 public:
  virtual ~InstallProgressReceiver() = default;
  // 0.0 to 1.0 of the setup archive.
  virtual void OnDownloadProgress(float fraction) = 0;
  virtual void OnSlowDownload() = 0;
  virtual void OnDownloadTimeEstimate(int32_t seconds, int32_t phase) = 0;
  // The installation ended and the browser will not be launched, or the
  // browser's message window disappeared.
  virtual void CloseWindow() = 0;
  virtual void ShowError(int32_t kind) = 0;
  virtual HWND GetWindowHandle() = 0;
  virtual void SetProgress(int32_t percent) = 0;
  virtual void RemoveCancelButton() = 0;
};

// Error kinds handed to ShowError.
enum InstallErrorKind : int32_t {
  kErrorNone = 0,
  kErrorGeneric = 1,
  kErrorDownload = 2,
  kErrorDownloadCryptoPro = 3,
  kErrorMachineTypeMismatch = 4,
  kErrorSetupExit7 = 5,
  kErrorSetupExit8 = 6,
  kErrorElevatedAnotherInstance = 7,
};

}  // namespace lite_installer
