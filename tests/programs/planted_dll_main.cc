// A DLL that tests plant beside a program under a system DLL's name: when
// anything loads it, it appends the loading program's path to
// C:\planted_dll_loaded.txt. Its one export lets rundll32 load it on purpose.
#include <windows.h>

#include "base/scoped_handle.h"

namespace {

void RecordLoad() {
  wchar_t program[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, program, MAX_PATH);
  base::ScopedHandle file(::CreateFileW(L"C:\\planted_dll_loaded.txt", FILE_APPEND_DATA,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  DWORD written = 0;
  ::WriteFile(file.get(), program, length * sizeof(wchar_t), &written, nullptr);
  ::WriteFile(file.get(), L"\n", sizeof(wchar_t), &written, nullptr);
}

}  // namespace

extern "C" __declspec(dllexport) void CALLBACK PlantedEntry(HWND, HINSTANCE, LPSTR, int) {}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) RecordLoad();
  return TRUE;
}
