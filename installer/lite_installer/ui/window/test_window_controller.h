// Test builds: a controller that only records what the window asks of it,
// chosen with KELMOR_TEST_WINDOW_CONTROLLER=<result code>, so that window
// tests run the window without a download or setup. Release builds never
// make one.
#pragma once

#include <memory>

#include "installer/lite_installer/ui/window/window_controller.h"

namespace lite_installer {

// Null unless the test hook asks for it.
std::unique_ptr<WindowController> CreateTestWindowController();

}  // namespace lite_installer
