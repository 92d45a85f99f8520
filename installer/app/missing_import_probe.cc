// Test builds only: calls into a library that does not exist and into a
// function that a system library does not have, so tests can see how the
// installer reports a missing import.
#include "installer/app/missing_import_probe.h"

#include "build_config.h"

#if KELMOR_TEST_BUILD
#include <windows.h>

extern "C" {
__declspec(dllimport) void WINAPI KelmorAbsentFunction();
__declspec(dllimport) void WINAPI KelmorNoSuchFunction();
}

namespace lite_installer {

void CallMissingImportForTest(const std::string& which) {
  if (which == "dll") KelmorAbsentFunction();
  if (which == "function") {
    // The window code has used user32 by the time a missing function
    // turns up, so the report can show a message box.
    ::GetSystemMetrics(SM_CXSCREEN);
    KelmorNoSuchFunction();
  }
}

}  // namespace lite_installer
#endif
