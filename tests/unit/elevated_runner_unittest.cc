// The elevated runner against a real elevated instance: this test program,
// started with "run-as-admin", takes the installer's elevated road (see
// test_main.cc). Being the same executable file, the instance shares the
// parameter block with the test, so the archive path the test writes there
// is the setup the instance verifies and runs (the signed test archive
// good.arc, or a file it must refuse), and the error kind the instance
// stores is the one the test reads back.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/files.h"
#include "base/process.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "installer/controller/elevated_runner.h"
#include "installer/util/file_logger.h"
#include "installer/ui/install_progress_receiver.h"
#include "installer/config/installer_command_line.h"
#include "installer/setup/delayed_params.h"
#include "tests/unit/log_capture.h"

namespace lite_installer {
namespace {

constexpr char kHangLine[] = "The elevated installer hangs and must be forcibly terminated.";
constexpr char kStoppedLine[] = "The elevated installer was terminated due to stop event.";
// Upper bound for an instance that is expected to end by itself; reaching
// it fails the test instead of hanging it.
constexpr DWORD kEndBoundMs = 60000;

// A test hook of this process, inherited by the instances it starts.
class ScopedHook {
 public:
  ScopedHook(const wchar_t* name, const wchar_t* value) : name_(std::wstring(L"KELMOR_TEST_") + name) {
    ::SetEnvironmentVariableW(name_.c_str(), value);
  }
  ~ScopedHook() { ::SetEnvironmentVariableW(name_.c_str(), nullptr); }

 private:
  std::wstring name_;
};

std::wstring BinDir() { return base::DirName(base::GetModulePath()); }
// The signed test setup archives of the build.
std::wstring ArchivePath(const wchar_t* name) {
  return base::PathJoin(base::PathJoin(base::DirName(BinDir()), L"test-archives"), name);
}

class ElevatedRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base::DeleteFileIfExists(GetLogFilePath());
    report_path_ = base::PathJoin(base::DirName(GetLogFilePath()), L"elevated_setup_report.json");
    base::DeleteFileIfExists(report_path_);
    ASSERT_TRUE(WriteDelayedParams(DelayedParamValues()));
    SetSharedErrorKind(0);
  }

  void TearDown() override {
    // A failed test must not leave an instance behind.
    if (instance_ && ::WaitForSingleObject(instance_.get(), 0) == WAIT_TIMEOUT)
      ::TerminateProcess(instance_.get(), 99);
  }

  // The block as the parent writes it before the release: the archive is
  // the signed test setup archive (or `archive`).
  void WriteBlockWithSetup(std::wstring archive = ArchivePath(L"good.arc")) {
    DelayedParamValues values;
    values.browser_arc_path = std::move(archive);
    values.histogram_download_time = L"1";
    ASSERT_TRUE(base::FileExists(values.browser_arc_path));
    ASSERT_TRUE(WriteDelayedParams(values));
  }

  // Starts the elevated instance for `runner`, whose events must exist
  // first, and attaches it. Setup's command line holds "fake_browser_arc"
  // (the block replaces it), `setup_exit_code` for the test setup and
  // `progress_window` as the parent's window.
  void StartInstance(ElevatedRunner* runner, int setup_exit_code = 0,
                     HWND progress_window = nullptr) {
    InstallerCommandLine setup;
    setup.set_program(L"fake_browser_arc");
    setup.AppendSwitch("fake-exit-code", std::to_wstring(setup_exit_code));
    setup.AppendSwitch("fake-report", report_path_);
    setup.AppendSwitch("progress-window", std::to_wstring(reinterpret_cast<uintptr_t>(progress_window)));
    InstallerCommandLine line;
    line.set_program(base::GetModulePath());
    line.AppendSwitch("run-as-admin");
    line.AppendSwitch("parent-installer-process-id", std::to_wstring(::GetCurrentProcessId()));
    line.AppendSwitch("elevation-token", runner->token());
    line.AppendSwitch("setup-cmd-line", setup.Render());
    std::wstring command = line.Render();
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &info))
        << ::GetLastError();
    base::ScopedHandle thread(info.hThread);
    instance_.reset(info.hProcess);
    HANDLE for_runner = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), info.hProcess, ::GetCurrentProcess(),
                                  &for_runner, 0, FALSE, DUPLICATE_SAME_ACCESS));
    owner_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                               nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(owner_);
    runner->Attach(for_runner, owner_);
  }

  // The instance's exit code once it has ended (it must end within the
  // bound), or nothing.
  std::optional<int32_t> InstanceExitCode() {
    if (::WaitForSingleObject(instance_.get(), kEndBoundMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    if (!::GetExitCodeProcess(instance_.get(), &code)) return std::nullopt;
    return static_cast<int32_t>(code);
  }
  bool InstanceRunning() const { return ::WaitForSingleObject(instance_.get(), 0) == WAIT_TIMEOUT; }

  // The instance's own log (its temporary folder is this process's).
  std::string InstanceLog() const { return base::ReadFileToString(GetLogFilePath()).value_or(""); }
  bool InstanceLogHas(const std::string& fragment) const {
    return InstanceLog().find(fragment) != std::string::npos;
  }
  // Waits (within the bound) until the instance has written `fragment`.
  bool WaitForInstanceLog(const std::string& fragment) const {
    for (DWORD waited = 0; waited < kEndBoundMs; waited += 20) {
      if (InstanceLogHas(fragment)) return true;
      ::Sleep(20);
    }
    return InstanceLogHas(fragment);
  }

  // A second handle to the runner's stop event, opened by its name.
  static base::ScopedHandle OpenStopEvent(const ElevatedRunner& runner) {
    return base::ScopedHandle(
        ::OpenEventW(SYNCHRONIZE, FALSE, ElevatedStopEventName(runner.token()).c_str()));
  }

  testing_support::LogCapture log_;
  std::wstring report_path_;
  base::ScopedHandle instance_;
  HWND owner_ = nullptr;
  base::WaitableEvent controller_stop_{base::WaitableEvent::ResetPolicy::kManual, false};
};

TEST_F(ElevatedRunnerTest, ReleasedInstanceRunsSetupAndTheParentWaitsForItsEnd) {
  WriteBlockWithSetup();
  auto runner = std::make_unique<ElevatedRunner>();
  StartInstance(runner.get(), 0);
  EXPECT_FALSE(runner->released());
  EXPECT_EQ(runner->exit_code(), -1);

  EXPECT_TRUE(runner->RunModule(controller_stop_.handle()));
  // The wait ended on the instance's end, whose exit code the runner read.
  EXPECT_TRUE(runner->released());
  EXPECT_FALSE(InstanceRunning());
  EXPECT_EQ(runner->exit_code(), 0);
  EXPECT_EQ(InstanceExitCode(), 0);
  EXPECT_TRUE(base::FileExists(report_path_)) << InstanceLog();
  EXPECT_TRUE(InstanceLogHas("Start installer as admin (ExecuteAsAdmin:")) << InstanceLog();
  EXPECT_TRUE(InstanceLogHas("INFO: RunModule results: success=1 error_code=0 (ExecuteAsAdmin:"))
      << InstanceLog();
  EXPECT_EQ(GetSharedErrorKind(), 0);

  runner.reset();
  EXPECT_FALSE(log_.HasPrefix(kHangLine)) << log_.Dump();
  EXPECT_FALSE(log_.HasPrefix(kStoppedLine)) << log_.Dump();
  // The runner destroyed the prompt's owner window.
  EXPECT_FALSE(::IsWindow(owner_));
}

TEST_F(ElevatedRunnerTest, InstanceReportsToTheParentsWindowWhileThisThreadServesIt) {
  // The parent's window: a top-level window of this thread with the
  // progress screen's Cancel button (212).
  HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                  nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(window);
  HWND cancel = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, window,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(212)),
                                  ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(cancel);
  WriteBlockWithSetup();
  auto runner = std::make_unique<ElevatedRunner>();
  StartInstance(runner.get(), 0, window);

  // As in the installer, the wait runs on another thread than the window's,
  // which keeps serving its messages (hiding a control of another process
  // waits for that).
  base::WaitableEvent done(base::WaitableEvent::ResetPolicy::kManual, false);
  bool outcome = false;
  std::thread install_thread([&] {
    outcome = runner->RunModule(controller_stop_.handle());
    done.Signal();
  });
  std::vector<WPARAM> percents;
  std::vector<UINT> other_private;
  const HANDLE done_handle = done.handle();
  for (DWORD waited = 0; !done.IsSignaled() && waited < kEndBoundMs; waited += 50) {
    ::MsgWaitForMultipleObjects(1, &done_handle, FALSE, 50, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.hwnd == window && msg.message == WM_APP + 100) percents.push_back(msg.wParam);
      else if (msg.hwnd == window && msg.message >= WM_APP && msg.message < 0xC000)
        other_private.push_back(msg.message);
      ::DispatchMessageW(&msg);
    }
  }
  install_thread.join();
  MSG msg;
  while (::PeekMessageW(&msg, window, WM_APP + 100, WM_APP + 100, PM_REMOVE)) percents.push_back(msg.wParam);

  EXPECT_TRUE(outcome) << InstanceLog();
  // Setup's start: 40 percent, and Cancel hidden (not destroyed).
  EXPECT_EQ(percents, std::vector<WPARAM>{40});
  EXPECT_TRUE(other_private.empty());
  EXPECT_TRUE(::IsWindow(cancel));
  EXPECT_EQ(::GetWindowLongW(cancel, GWL_STYLE) & WS_VISIBLE, 0);
  runner.reset();
  ::DestroyWindow(window);
}

TEST_F(ElevatedRunnerTest, SetupFailuresComeBackAsErrorKindsInTheBlock) {
  struct Case {
    int setup_exit_code;
    // The system error with which setup's start fails (hook), or none.
    const wchar_t* create_error;
    bool success;
    int32_t error_kind;
    // The instance's result code: setup's exit code, or 400 when setup
    // never ran.
    int result_code;
  };
  // 7 and 8 are setup's failures; 3 (like any other code) is success; a
  // setup of another machine type cannot start.
  const Case cases[] = {{7, nullptr, false, kErrorSetupExit7, 7},
                        {8, nullptr, false, kErrorSetupExit8, 8},
                        {3, nullptr, true, 0, 3},
                        {0, L"216", false, kErrorMachineTypeMismatch, 400}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setup_exit_code);
    std::optional<ScopedHook> create_error;
    if (c.create_error) create_error.emplace(L"CREATE_PROCESS_ERROR", c.create_error);
    base::DeleteFileIfExists(GetLogFilePath());
    SetSharedErrorKind(0);
    WriteBlockWithSetup();
    auto runner = std::make_unique<ElevatedRunner>();
    StartInstance(runner.get(), c.setup_exit_code);
    EXPECT_EQ(runner->RunModule(controller_stop_.handle()), c.success);
    EXPECT_EQ(runner->exit_code(), c.success ? 0 : -1);
    // Written by the instance into the block this process shares.
    EXPECT_EQ(GetSharedErrorKind(), c.error_kind);
    EXPECT_TRUE(InstanceLogHas("RunModule results: success=" + std::to_string(c.success ? 1 : 0) +
                               " error_code=" + std::to_string(c.result_code)))
        << InstanceLog();
    runner.reset();
  }
  EXPECT_FALSE(log_.HasPrefix(kHangLine)) << log_.Dump();
}

TEST_F(ElevatedRunnerTest, ReleasedWithoutAnArchiveTheInstanceFailsWithTheGenericKind) {
  // An empty block: the program stays "fake_browser_arc", which is no file.
  auto runner = std::make_unique<ElevatedRunner>();
  StartInstance(runner.get(), 0);
  EXPECT_FALSE(runner->RunModule(controller_stop_.handle()));
  EXPECT_EQ(runner->exit_code(), -1);
  EXPECT_EQ(GetSharedErrorKind(), kErrorGeneric);
  EXPECT_TRUE(InstanceLogHas("ERROR: Cannot lock the browser archive fake_browser_arc"))
      << InstanceLog();
  EXPECT_FALSE(base::FileExists(report_path_));
}

TEST_F(ElevatedRunnerTest, ABlockNamingAnotherProgramIsRefusedAndNothingRuns) {
  // Any program of the user can write the block: here it names the bare,
  // unsigned test setup program, and the go-ahead comes as the parent's.
  WriteBlockWithSetup(base::PathJoin(BinDir(), L"fake_setup.exe"));
  auto runner = std::make_unique<ElevatedRunner>();
  StartInstance(runner.get(), 0);
  EXPECT_FALSE(runner->RunModule(controller_stop_.handle()));
  EXPECT_EQ(runner->exit_code(), -1);
  EXPECT_EQ(GetSharedErrorKind(), kErrorGeneric);
  EXPECT_TRUE(InstanceLogHas("INFO: Verifying ")) << InstanceLog();
  EXPECT_TRUE(InstanceLogHas("ERROR: Module verification failed: ")) << InstanceLog();
  EXPECT_FALSE(InstanceLogHas("RunModule results")) << InstanceLog();
  EXPECT_FALSE(InstanceLogHas("Process created")) << InstanceLog();
  EXPECT_FALSE(base::FileExists(report_path_));
}

TEST_F(ElevatedRunnerTest, AnArchiveSwappedAfterTheParentsVerificationIsRefused) {
  // The parent verified its copy of the signed archive; before the release
  // the file is replaced by an unsigned program.
  const std::wstring copy = base::PathJoin(base::DirName(GetLogFilePath()), L"kb_swapped.tmp");
  ASSERT_TRUE(::CopyFileW(ArchivePath(L"good.arc").c_str(), copy.c_str(), FALSE));
  WriteBlockWithSetup(copy);
  auto runner = std::make_unique<ElevatedRunner>();
  StartInstance(runner.get(), 0);
  ASSERT_TRUE(::CopyFileW(base::PathJoin(BinDir(), L"fake_setup.exe").c_str(), copy.c_str(), FALSE));
  EXPECT_FALSE(runner->RunModule(controller_stop_.handle()));
  EXPECT_EQ(GetSharedErrorKind(), kErrorGeneric);
  EXPECT_TRUE(InstanceLogHas("ERROR: Module verification failed: " + base::WideToUtf8(copy)))
      << InstanceLog();
  EXPECT_FALSE(base::FileExists(report_path_));
  runner.reset();
  base::DeleteFileIfExists(copy);
}

TEST_F(ElevatedRunnerTest, RunnerDestroyedBeforeReleaseStopsTheWaitingInstance) {
  auto runner = std::make_unique<ElevatedRunner>();
  StartInstance(runner.get(), 0);
  runner.reset();
  // The destructor signalled the stop event and waited for the instance,
  // which ended by itself within the grace period.
  EXPECT_FALSE(InstanceRunning());
  EXPECT_EQ(InstanceExitCode(), -1);
  EXPECT_TRUE(InstanceLogHas(
      "ERROR: Installer started as admin has been unexpectedly synced, wr=1 (ExecuteAsAdmin:"))
      << InstanceLog();
  EXPECT_FALSE(InstanceLogHas("RunModule results"));
  EXPECT_FALSE(log_.HasPrefix(kHangLine)) << log_.Dump();
  EXPECT_FALSE(::IsWindow(owner_));
}

TEST_F(ElevatedRunnerTest, StopEventEndsTheParentsWaitAndAHungInstanceIsEndedAfterTheGrace) {
  ScopedHook hang(L"ELEVATED_HANG", L"1");
  ScopedHook grace(L"ELEVATED_GRACE_MS", L"300");
  WriteBlockWithSetup();
  auto runner = std::make_unique<ElevatedRunner>();
  StartInstance(runner.get(), 0);
  // The window was closed: the controller's stop event is set while the
  // released instance is still busy.
  controller_stop_.Signal();
  EXPECT_FALSE(runner->RunModule(controller_stop_.handle()));
  EXPECT_TRUE(runner->released());
  EXPECT_TRUE(log_.HasPrefix(kStoppedLine)) << log_.Dump();
  EXPECT_EQ(runner->exit_code(), -1);
  EXPECT_TRUE(InstanceRunning());
  EXPECT_FALSE(runner->hung());

  base::ScopedHandle stop = OpenStopEvent(*runner);
  ASSERT_TRUE(stop);
  runner->EnsureProcessFinished();
  EXPECT_TRUE(runner->hung());
  EXPECT_TRUE(log_.HasPrefix(kHangLine)) << log_.Dump();
  // Terminated with exit code 0.
  EXPECT_EQ(InstanceExitCode(), 0);
  EXPECT_FALSE(base::FileExists(report_path_));

  runner.reset();
  // Released, so the destructor gave no stop signal.
  EXPECT_NE(::WaitForSingleObject(stop.get(), 0), WAIT_OBJECT_0);
}

TEST_F(ElevatedRunnerTest, InstanceThatIgnoresTheStopIsForciblyEndedWhenTheRunnerGoes) {
  ScopedHook hang(L"ELEVATED_HANG", L"1");
  ScopedHook grace(L"ELEVATED_GRACE_MS", L"300");
  auto runner = std::make_unique<ElevatedRunner>();
  StartInstance(runner.get(), 0);
  // The short grace must not end the instance before it even started.
  ASSERT_TRUE(WaitForInstanceLog("Start installer as admin")) << InstanceLog();
  runner.reset();
  EXPECT_TRUE(log_.HasPrefix(kHangLine)) << log_.Dump();
  EXPECT_FALSE(InstanceRunning());
  EXPECT_EQ(InstanceExitCode(), 0);
  // It woke on the stop event, then never went on.
  EXPECT_TRUE(InstanceLogHas("Start installer as admin")) << InstanceLog();
  EXPECT_FALSE(InstanceLogHas("unexpectedly synced"));
  EXPECT_FALSE(::IsWindow(owner_));
}

TEST(ElevatedRunnerAloneTest, GracePeriodIsThirtySecondsUnlessATestShortensIt) {
  EXPECT_EQ(ElevatedGraceMs(), 30000u);
  {
    ScopedHook grace(L"ELEVATED_GRACE_MS", L"1500");
    EXPECT_EQ(ElevatedGraceMs(), 1500u);
  }
  {
    ScopedHook grace(L"ELEVATED_GRACE_MS", L"soon");
    EXPECT_EQ(ElevatedGraceMs(), 30000u);
  }
  EXPECT_EQ(ElevatedGraceMs(), 30000u);
}

TEST(ElevatedRunnerAloneTest, EachRunHasItsOwnTokenAndRefusesEventsThatExistAlready) {
  testing_support::LogCapture log;
  ElevatedRunner first;
  ElevatedRunner second;
  ASSERT_TRUE(first.valid());
  ASSERT_TRUE(second.valid());
  EXPECT_TRUE(IsElevationToken(first.token()));
  EXPECT_NE(first.token(), second.token());
  EXPECT_FALSE(IsElevationToken(L""));
  EXPECT_FALSE(IsElevationToken(std::wstring(32, L'A')));
  EXPECT_FALSE(IsElevationToken(std::wstring(31, L'a')));
  // Someone made the event before the parent: it is not used.
  const std::wstring name = ElevatedGoAheadEventName(first.token());
  EXPECT_FALSE(CreateFreshEvent(name));
  EXPECT_TRUE(log.Has("Refused the event " + base::WideToUtf8(name) + ": it exists already"));
  EXPECT_TRUE(CreateFreshEvent(ElevatedGoAheadEventName(NewElevationToken())));
}

TEST(ElevatedRunnerAloneTest, TheArchiveIsHeldAgainstWritesAndDeletion) {
  const std::wstring path = base::PathJoin(base::DirName(GetLogFilePath()), L"kb_held.tmp");
  ASSERT_TRUE(base::WriteStringToFile(path, "MZ"));
  {
    const base::ScopedHandle held = base::OpenFileForExecution(path);
    ASSERT_TRUE(held);
    base::ScopedHandle writer(::CreateFileW(path.c_str(), GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(writer);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(::DeleteFileW(path.c_str()));
    EXPECT_FALSE(::MoveFileExW(path.c_str(), (path + L".moved").c_str(), MOVEFILE_REPLACE_EXISTING));
    // Reading stays possible (setup's own start reads it).
    base::ScopedHandle reader(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(reader);
  }
  EXPECT_TRUE(::DeleteFileW(path.c_str()));
}

TEST(ElevatedRunnerAloneTest, WithoutAnInstanceDestructionSignalsNothingAndClosesTheOwnerWindow) {
  testing_support::LogCapture log;
  auto runner = std::make_unique<ElevatedRunner>();
  ASSERT_TRUE(runner->valid());
  base::ScopedHandle stop(
      ::OpenEventW(SYNCHRONIZE, FALSE, ElevatedStopEventName(runner->token()).c_str()));
  ASSERT_TRUE(stop);
  HWND owner = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                 nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(owner);
  runner->set_owner_window(owner);
  runner->EnsureProcessFinished();
  EXPECT_FALSE(runner->hung());
  runner.reset();
  EXPECT_FALSE(::IsWindow(owner));
  EXPECT_NE(::WaitForSingleObject(stop.get(), 0), WAIT_OBJECT_0);
  EXPECT_TRUE(log.records().empty()) << log.Dump();
}

}  // namespace
}  // namespace lite_installer
