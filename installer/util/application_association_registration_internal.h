// Whether the internal shell interfaces that make a program the default
// browser on Windows 10 exist on this machine. Probing undocumented COM
// interfaces can crash, so the probe runs in a child copy of the installer
// ("check-the-interface") and the parent reads the child's exit code.
#pragma once

#include <cstdint>
#include <string>

namespace installer {
namespace win10_default_browser {

constexpr int kInterfaceAvailableExitCode = 700;
constexpr int kInterfaceNotAvailableExitCode = 701;

// How the safe check came to its answer (the status number's first digit).
enum CheckStatusCode : uint32_t {
  kDecidedByBuild = 0,
  kChildCrashed = 1,
  kChildAnswered = 2,
  kChildTimedOut = 3,
  kChildFailed = 4,  // could not be started, or gave an unknown code
};

// code × 1000000000 + (build × 10000 when build < 29497) + (revision when
// revision < 7296), the last two modulo 1000000000.
uint32_t ComposeCheckStatus(uint32_t code, uint32_t build, uint32_t revision);

// The probe itself (in the child): creates the internal association
// registration object and checks the handlers of http, https, .htm, .html.
bool IsInterfaceAvailable();

// The child's side of "check-the-interface": 700 when available, else 701.
int RunInterfaceCheckChild();

// The parent's side: false before Windows 10 (status untouched); true
// without a child on builds that have the interfaces; otherwise runs the
// installer with "check-the-interface" for at most 3 seconds. `status`
// receives the status number.
bool IsInternalInterfaceAvailableSafeCheck(uint32_t* status);

// The same with every input given: what the system reports and the program
// to start as the child.
struct SafeCheckInputs {
  uint32_t major = 0;
  uint32_t build = 0;
  uint32_t revision = 0;  // update build revision
  std::wstring program;   // the installer executable
  uint32_t timeout_ms = 3000;
};
bool IsInternalInterfaceAvailableSafeCheck(const SafeCheckInputs& inputs, uint32_t* status);

// Whether this installer can make the browser the default: yes on
// Windows 7 and older, no on Windows 8 and 8.1, the safe check's answer on
// Windows 10 and later (its status in `status`).
bool CanMakeBrowserDefault(uint32_t major, uint32_t minor, bool (*safe_check)(uint32_t*),
                           uint32_t* status);
bool CanMakeBrowserDefault(uint32_t* status);

// The update build revision ("UBR" of the Windows version key), 0 when absent.
uint32_t GetUpdateBuildRevision();
// A small index of the Windows release, for log lines.
int GetWindowsVersionIndex();

}  // namespace win10_default_browser
}  // namespace installer
