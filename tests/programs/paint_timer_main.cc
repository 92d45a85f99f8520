// Benchmark helper: starts a program and measures the time from just before
// its process is created to its first painted window. The program signals
// the named event given in KELMOR_TEST_FIRST_PAINT_EVENT after its first
// paint; the program is then ended.
//
//   paint_timer OUT TIMEOUT_MS COMMAND_LINE...
// OUT receives the milliseconds as text, or "timeout".
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  const DWORD timeout_ms = static_cast<DWORD>(_wtoi(argv[2]));
  std::wstring command;
  for (int i = 3; i < argc; ++i) {
    if (i > 3) command += L' ';
    command += argv[i];
  }
  wchar_t name[64];
  std::swprintf(name, 64, L"kelmor_first_paint_%lu", ::GetCurrentProcessId());
  HANDLE painted = ::CreateEventW(nullptr, TRUE, FALSE, name);
  ::SetEnvironmentVariableW(L"KELMOR_TEST_FIRST_PAINT_EVENT", name);
  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  ::QueryPerformanceCounter(&start);
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return 3;
  const DWORD wait = ::WaitForSingleObject(painted, timeout_ms);
  ::QueryPerformanceCounter(&end);
  ::TerminateProcess(process.hProcess, 0);
  ::WaitForSingleObject(process.hProcess, 10000);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  ::CloseHandle(painted);
  std::string text = "timeout";
  if (wait == WAIT_OBJECT_0) {
    const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%.1f", ms);
    text = buffer;
  }
  FILE* out = _wfopen(argv[1], L"wb");
  if (!out) return 4;
  std::fwrite(text.data(), 1, text.size(), out);
  std::fclose(out);
  return wait == WAIT_OBJECT_0 ? 0 : 1;
}
