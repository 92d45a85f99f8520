#include <windows.h>

#include <cstdlib>

#include "installer/app/entry_point.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return lite_installer::RunLiteInstaller(); }

// An exception that nobody catches ends the process at once. The C++
// library's own handler would first print the exception's demangled type to
// a console that this GUI program does not have, and it brings the whole
// demangler (a tenth of the executable's code) along.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
