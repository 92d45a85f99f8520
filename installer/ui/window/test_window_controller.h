// Test builds: a controller that only records what the window asks of it,
// chosen with KELMOR_TEST_WINDOW_CONTROLLER, so that window tests run the
// window without a download or setup. The value is the result code,
// optionally followed by steps that the controller's thread reports to the
// window, separated by ";":
//   error_at_start=K   ShowError(K) right after StartAsync
//   download=F         OnDownloadProgress(F) once the go-ahead came
//   progress=P         SetProgress(P)
//   error=K            ShowError(K)
//   remove_cancel      RemoveCancelButton()
//   close              CloseWindow()
//   sleep=MS           a pause between steps
// Release builds never make one.
#pragma once

#include <memory>

#include "installer/ui/window/window_controller.h"

namespace lite_installer {

// Null unless the test hook asks for it.
std::unique_ptr<WindowController> CreateTestWindowController(InstallProgressReceiver* receiver);

}  // namespace lite_installer
