#pragma once

#include <string>

namespace lite_installer {

// Test builds only (the hook that calls it is compiled out of releases).
// "dll": a library that is not there; "function": a function that is not.
void CallMissingImportForTest(const std::string& which);

}  // namespace lite_installer
