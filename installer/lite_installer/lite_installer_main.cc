#include <windows.h>

#include "installer/lite_installer/core/entry_point.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return lite_installer::RunLiteInstaller(); }
