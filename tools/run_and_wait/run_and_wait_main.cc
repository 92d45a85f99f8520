// Test tool: runs a command line, waits for it and writes its full 32-bit
// exit code (which a Unix exit status would cut to 8 bits) to a file.
//
//   run_and_wait.exe RESULT_FILE TIMEOUT_MS [NAME=VALUE...] -- "COMMAND LINE"
//
// NAME=VALUE pairs set environment variables of the child (Wine builds
// TEMP and TMP from the registry, so a test can change them only here).
// The command line is one argument, passed on as it is (further arguments
// are appended with blanks). On time-out the process is terminated and the
// file says "timeout".
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) {
    std::fwprintf(stderr, L"usage: run_and_wait RESULT_FILE TIMEOUT_MS -- \"COMMAND LINE\"\n");
    return 2;
  }
  int i = 3;
  for (; i < argc && std::wcscmp(argv[i], L"--") != 0; ++i) {
    std::wstring pair = argv[i];
    const size_t eq = pair.find(L'=');
    if (eq == std::wstring::npos) return 2;
    ::SetEnvironmentVariableW(pair.substr(0, eq).c_str(), pair.substr(eq + 1).c_str());
  }
  if (i + 1 >= argc) return 2;
  std::wstring command = argv[i + 1];
  for (int k = i + 2; k < argc; ++k) command += std::wstring(L" ") + argv[k];
  const DWORD timeout = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::string result;
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
    result = "start-failed " + std::to_string(::GetLastError());
  } else {
    ::CloseHandle(info.hThread);
    char text[64];
    if (::WaitForSingleObject(info.hProcess, timeout) != WAIT_OBJECT_0) {
      ::TerminateProcess(info.hProcess, 0xDEAD);
      std::snprintf(text, sizeof(text), "timeout %lu", static_cast<unsigned long>(info.dwProcessId));
    } else {
      DWORD code = 0;
      ::GetExitCodeProcess(info.hProcess, &code);
      std::snprintf(text, sizeof(text), "%ld %lu", static_cast<long>(code),
                    static_cast<unsigned long>(info.dwProcessId));
    }
    result = text;
    ::CloseHandle(info.hProcess);
  }
  FILE* out = _wfopen(argv[1], L"wb");
  if (!out) return 3;
  std::fputs(result.c_str(), out);
  std::fclose(out);
  return 0;
}
