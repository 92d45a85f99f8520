#include "installer/app/entry_point.h"

#include <commctrl.h>
#include <gdiplus.h>
#include <objbase.h>

#include <memory>
#include <optional>

#include "base/files.h"
#include "base/logging.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "base/test_hooks.h"
#include "installer/crash/crash_for_testing.h"
#include "installer/crash/crash_handler.h"
#include "installer/config/brand_info.h"
#include "installer/app/delay_load_hook.h"
#include "installer/util/file_logger.h"
#include "installer/config/installer_options.h"
#include "installer/ui/display_scale.h"
#include "installer/app/test_probes.h"
#include "installer/app/secure_environment.h"
#include "installer/app/startup_steps.h"
#include "installer/ui/ui_strings.h"
#include "installer/util/file_version.h"

namespace lite_installer {
namespace {

// Seen by every process started from the same executable file.
__attribute__((section("SHARED"), shared)) volatile DWORD g_master_process_id = 0;

// Lines of the start-up sequence carry the entry point's name.
constexpr char kTag[] = "wWinMain";

constexpr wchar_t kInstanceMutexName[] =
    L"Local\\KelmorBrowserLiteInstallerMutex-E523E369-4A72-4B13-AD57-5B956174172A";
constexpr int kExitAnotherInstance = 600;
constexpr int kExitCpuNotSupported = 404;
constexpr int kExitNotEnoughDiskSpace = 403;
constexpr int kExitInterfaceAvailable = 700;

// COM, common controls and GDI+ for the lifetime of the installation.
class ScopedUiLibraries {
 public:
  ScopedUiLibraries() {
    com_ = SUCCEEDED(::CoInitialize(nullptr));
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS | ICC_LINK_CLASS};
    ::InitCommonControlsEx(&controls);
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&gdiplus_token_, &input, nullptr) != Gdiplus::Ok)
      gdiplus_token_ = 0;
  }
  ScopedUiLibraries(const ScopedUiLibraries&) = delete;
  ScopedUiLibraries& operator=(const ScopedUiLibraries&) = delete;
  ~ScopedUiLibraries() {
    if (gdiplus_token_) Gdiplus::GdiplusShutdown(gdiplus_token_);
    if (com_) ::CoUninitialize();
  }

 private:
  bool com_ = false;
  ULONG_PTR gdiplus_token_ = 0;
};

// The single-instance mutex, released only when it was taken.
class InstanceMutex {
 public:
  InstanceMutex() : mutex_(::CreateMutexW(nullptr, FALSE, kInstanceMutexName)) {
    taken_ = mutex_ && ::WaitForSingleObject(mutex_.get(), 0) == WAIT_OBJECT_0;
  }
  ~InstanceMutex() {
    if (taken_) ::ReleaseMutex(mutex_.get());
  }
  bool taken() const { return taken_; }

 private:
  base::ScopedHandle mutex_;
  bool taken_ = false;
};

class ScopedCrashHandler {
 public:
  ScopedCrashHandler() {
    crash::CrashHandler::Get().Install();
    crash::CrashHandler::Get().SetCrashKey("ptype", "installer");
  }
  ~ScopedCrashHandler() { crash::CrashHandler::Get().Uninstall(); }
};

// A text in the brand record's language, falling back to the user's and
// then to English.
std::wstring LoadStartupString(UINT id, const StartupState& state) {
  if (state.brand_info) {
    std::wstring text = LoadUiString(id, static_cast<LANGID>(state.brand_info->language_id));
    if (!text.empty()) return text;
  }
  return LoadUiStringForUser(id);
}

int CheckCpuAndReport(const StartupState& state) {
  const CpuSupport cpu = DetectCpuSupport();
  if (cpu == CpuSupport::kSupported) return 0;
  PLOG_TAG(ERROR, kTag, ::GetLastError()) << "CPU is not supported";
  if (!state.options.silent) {
    const std::wstring text = LoadStartupString(481, state) + L"\n" +
                              LoadStartupString(cpu == CpuSupport::kNoSse3 ? 483 : 482, state);
    ::MessageBoxW(nullptr, text.c_str(), LoadStartupString(480, state).c_str(), MB_OK);
  }
  return kExitCpuNotSupported;
}

struct FindWindowRequest {
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM param) {
  auto* request = reinterpret_cast<FindWindowRequest*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != request->process_id) return TRUE;
  request->found = window;
  return FALSE;
}

void ForceForeground(HWND window) {
  DWORD saved = 0;
  ::SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &saved, 0);
  ::SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, SPIF_SENDCHANGE);
  ::BringWindowToTop(window);
  ::SetForegroundWindow(window);
  ::SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(saved),
                          SPIF_SENDCHANGE);
}

}  // namespace

DWORD GetMasterProcessId() { return g_master_process_id; }

CpuSupport DetectCpuSupport() {
  bool sse2 = ::IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE);
  bool sse3 = ::IsProcessorFeaturePresent(PF_SSE3_INSTRUCTIONS_AVAILABLE);
  if (const auto hook = base::GetTestHook("CPU")) {
    // "no-sse2", "no-sse3" or "none": what a test pretends the processor lacks.
    if (*hook == "no-sse2" || *hook == "none") sse2 = false;
    if (*hook == "no-sse3" || *hook == "none") sse3 = false;
  }
  if (!sse3) return CpuSupport::kNoSse3;
  if (!sse2) return CpuSupport::kNoSse2;
  return CpuSupport::kSupported;
}

void BringProcessWindowToTop(DWORD process_id) {
  if (process_id == 0) {
    LOG(ERROR) << "Failed to bring process window to top: wrong process id";
    return;
  }
  FindWindowRequest request = {process_id, nullptr};
  ::EnumWindows(&FindProcessWindow, reinterpret_cast<LPARAM>(&request));
  HWND window = request.found;
  if (!window) return;
  const HWND foreground = ::GetForegroundWindow();
  const DWORD this_thread = ::GetWindowThreadProcessId(window, nullptr);
  const DWORD foreground_thread = foreground ? ::GetWindowThreadProcessId(foreground, nullptr) : 0;
  const bool attached =
      foreground_thread && ::AttachThreadInput(this_thread, foreground_thread, TRUE);
  ::BringWindowToTop(window);
  ::SetForegroundWindow(window);
  if (attached) ::AttachThreadInput(this_thread, foreground_thread, FALSE);
  if (!attached || ::GetForegroundWindow() != window) ForceForeground(window);
}

// Ends the run where the hardening says so: an insecure environment, a DLL
// beside the executable, or a protected copy that ran the installation.
// Decided before anything else is loaded (the crash handler's dbghelp.dll
// among them), so that nothing is loaded in an environment found unsafe.
std::optional<int> EndForSecureEnvironment(SecureEnvironmentStatus secure, int secure_exit_code) {
  switch (secure) {
    case kSecureEnvironmentInsecure:
      LOG_TAG(INFO, kTag) << "Exiting, because of insecure environment.";
      return secure_exit_code;
    case kSecureEnvironmentDllsFound:
      LOG_TAG(INFO, kTag) << "Exiting, DLL files found in working directory";
      return -200;
    case kSecureEnvironmentCopyFinished:
      return secure_exit_code;
    case kSecureEnvironmentNotFound:
    case kSecureEnvironmentSet:
      break;
  }
  return std::nullopt;
}

int RunLiteInstaller() {
  InstallDelayLoadHooks();
  int secure_exit_code = 0;
  const SecureEnvironmentStatus secure = SetupSecureEnvironment(&secure_exit_code);

  base::SetLogSink(std::make_unique<FileLogger>(GetLogFilePath(), kLogSizeLimit));
  LOG_TAG(INFO, kTag) << "-------------------------------------- Start install.";
  if (const std::optional<int> end = EndForSecureEnvironment(secure, secure_exit_code)) return *end;

  ScopedCrashHandler crash_handler;
  // Lines of the crash handler's installation.
  crash::CrashHandler::Get().FlushStartupLog();
  if (int probe_exit = 0; RunTestProbes(&probe_exit)) return probe_exit;

  StartupState state;
  state.options = InstallerOptions::FromCommandLine(InstallerCommandLine(::GetCommandLineW()));
  const InstallerOptions& options = state.options;
  SetForcedDisplayScaleFactor(options.forced_scale_factor);
  if (options.check_the_interface) {
    const int code = CheckTheInterface();
    LOG_TAG(INFO, kTag) << "Handled non install cmd line option by win10 default browser helper, ret code: "
              << code;
    return code;
  }

  if (secure == kSecureEnvironmentNotFound)
    LOG_TAG(INFO, kTag) << "Can't find secure environment.";
  else
    LOG_TAG(INFO, kTag) << "Runned in secure environment.";

  if (options.run_as_admin) return ExecuteAsAdmin(options);

  ScopedUiLibraries ui_libraries;
  LOG_TAG(INFO, kTag) << "Lite installer mode.";

  InstanceMutex instance;
  if (!instance.taken()) {
    LOG_TAG(INFO, kTag) << "Another installer instance is already running.";
    const DWORD master = g_master_process_id;
    LOG_TAG(INFO, kTag) << "Master installer process id: " << master;
    BringProcessWindowToTop(master);
    return kExitAnotherInstance;
  }
  g_master_process_id = ::GetCurrentProcessId();
  LOG_TAG(INFO, kTag) << "Installer process id: " << ::GetCurrentProcessId();
  // Tests of the single-instance rule keep this instance alive a while.
  if (const auto hold = base::GetTestHook("HOLD_AFTER_MUTEX_MS"))
    ::Sleep(static_cast<DWORD>(base::ParseInt64(std::string_view(*hold)).value_or(0)));

  state.temp_path = base::GetTempDir();
  LOG_TAG(INFO, kTag) << "Temporary path is: " << state.temp_path;

  PrepareDistribution(state);
  crash::CrashIfRequestedForTesting();

  if (const int cpu_exit = CheckCpuAndReport(state)) return cpu_exit;

  const bool enough_space =
      installer_util::HasEnoughDiskSpace(options.system_level, installer_util::kRequiredDiskSpace);

  int exit_code;
  if (options.silent) {
    LOG_TAG(INFO, kTag) << "Installing in silent mode.";
    exit_code = RunSilentInstallation(state);
  } else if (enough_space) {
    exit_code = RunWindowInstallation(state);
  } else {
    ShowNotEnoughDiskSpaceDialog(state);
    exit_code = kExitNotEnoughDiskSpace;
  }
  LOG_TAG(INFO, kTag) << "Installer exit with code: " << exit_code;
  return exit_code;
}

}  // namespace lite_installer
