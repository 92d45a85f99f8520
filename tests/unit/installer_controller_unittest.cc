// The installer controller with fakes in its ports: downloads, verification,
// the clock, the pauses, process and elevated starts and the statistics
// sender are the test's, so the procedure's attempts, error kinds and the
// order of its effects can be read from one journal.
#include "installer/controller/installer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/logging.h"
#include "base/strings.h"
#include "installer/config/brand_info.h"
#include "installer/config/installer_command_line.h"
#include "installer/controller/controller_ports.h"
#include "installer/controller/elevated_runner.h"
#include "installer/setup/delayed_params.h"
#include "installer/util/async_request_sender.h"
#include "installer/util/downloader.h"
#include "installer/util/install_stat_sender.h"
#include "installer/util/registry.h"
#include "tests/unit/scoped_private_temp.h"

namespace lite_installer {
namespace {

constexpr DWORD kDeadlineMs = 10000;
constexpr char kSuffix[] = "?from_installer=true";
const char* const kUrl = "https://a.example/setup.arc";
const char* const kUrl64 = "https://b.example/setup64.arc";

// The registry values the procedure stores for setup.
const wchar_t* const kStoredValues[] = {L"lang",          L"InstallerData",  L"ClidsFile",
                                        L"KelmorWebsiteIconFile", L"AbtConfigResourceFile",
                                        L"brand",         L"BrandFile",      L"PartnerFile",
                                        L"install_stat"};

// One scripted download attempt.
struct Attempt {
  bool ok = false;
  uint32_t bytes = 0;
  uint32_t content_length = 0;
  uint32_t exception_code = 0;
  std::string dll;
  std::string proc;
};

// What the fakes do and what they saw; shared by the test thread, the
// install thread and the statistics worker, so behind a lock.
struct Script {
  std::mutex mutex;
  std::vector<std::string> journal;
  std::vector<Attempt> attempts;  // a missing one fails with nothing written
  size_t attempts_made = 0;
  bool verifies = true;
  DWORD start_error = 0;  // 0: setup starts
  DWORD exit_code = 0;
  bool elevated_ok = true;
  int32_t elevated_exit_code = 0;
  int32_t elevated_stored_kind = 0;
  std::wstring elevated_archive;
  bool shell_starts = false;
  INT_PTR shell_answer = SE_ERR_ACCESSDENIED;
  // Registry and data files as the first download found them.
  std::wstring installer_data_at_download;
  bool installer_data_file_at_download = false;
  std::wstring install_stat_at_start;
  // The hold of the first download, for the stop and go-ahead race.
  bool hold_download = false;
  base::WaitableEvent download_entered;
  base::WaitableEvent download_released;
  base::WaitableEvent summary_sent;
  uint64_t clock = 0;

  void Add(std::string entry) {
    std::lock_guard<std::mutex> hold(mutex);
    journal.push_back(std::move(entry));
  }
  std::vector<std::string> Journal() {
    std::lock_guard<std::mutex> hold(mutex);
    return journal;
  }
};

// The value of "-key=value" in an event URL ("/vars=-a=1,-b=2/..."), or "".
std::string EntryOf(const std::wstring& url, const std::string& key) {
  const std::wstring needle = L"-" + base::Utf8ToWide(key) + L"=";
  for (size_t at = url.find(needle); at != std::wstring::npos; at = url.find(needle, at + 1)) {
    if (at == 0 || (url[at - 1] != L'=' && url[at - 1] != L',')) continue;
    const size_t begin = at + needle.size();
    const size_t end = url.find_first_of(L",/", begin);
    return base::WideToUtf8(url.substr(begin, end == std::wstring::npos ? end : end - begin));
  }
  return {};
}

// The log records of the run; the install thread writes them while the
// test thread may read, so behind a lock.
class LockedLog {
 public:
  LockedLog() {
    auto sink = std::make_unique<Sink>();
    sink_ = sink.get();
    base::SetLogSink(std::move(sink));
  }
  ~LockedLog() { base::SetLogSink(nullptr); }
  bool Has(const std::string& text) const {
    std::lock_guard<std::mutex> hold(sink_->mutex);
    for (const base::LogRecord& r : sink_->records)
      if (r.text == text) return true;
    return false;
  }
  std::string Dump() const {
    std::lock_guard<std::mutex> hold(sink_->mutex);
    std::string out;
    for (const base::LogRecord& r : sink_->records) out += std::string(r.function) + ": " + r.text + "\n";
    return out;
  }
  // The error kind the run ended with (0: none logged).
  int32_t FailureKind() const {
    for (int32_t kind = 1; kind <= 7; ++kind)
      if (Has("Installation failed, error kind " + std::to_string(kind))) return kind;
    return 0;
  }

 private:
  struct Sink : base::LogSink {
    void Emit(const base::LogRecord& record) override {
      std::lock_guard<std::mutex> hold(mutex);
      records.push_back(record);
    }
    mutable std::mutex mutex;
    std::vector<base::LogRecord> records;
  };
  Sink* sink_;
};

// Statistics events go to the journal as "stat ACTION [STAGE|STATUS N] [ERROR]".
class JournalSender : public installer_util::AsyncRequestSender {
 public:
  explicit JournalSender(Script* script) : script_(script) {}
  ~JournalSender() override { StopWorker(); }

 protected:
  void SendUrl(const std::wstring& url) override {
    const std::string button = EntryOf(url, "clicked_button");
    if (!button.empty()) return script_->Add("window " + button);
    std::string entry = "stat " + EntryOf(url, "action");
    for (const char* key : {"stage", "status", "attempt_number"})
      if (!EntryOf(url, key).empty()) entry += " " + EntryOf(url, key);
    if (entry.find("setup_exe_exited") != std::string::npos && !EntryOf(url, "error").empty())
      entry += " " + EntryOf(url, "error");
    script_->Add(entry);
  }

 private:
  Script* script_;
};

class FakeProcess : public StartedProcess {
 public:
  explicit FakeProcess(DWORD code) : code_(code) {}
  DWORD id() const override { return 4242; }
  bool Wait() override { return true; }
  bool GetExitCode(DWORD* code) override {
    *code = code_;
    return true;
  }

 private:
  DWORD code_;
};

class FakePorts : public ControllerPorts {
 public:
  explicit FakePorts(Script* script) : script_(script) {}

  std::unique_ptr<installer_util::InstallStatSender> CreateStatSender(
      const std::string& user_id) override {
    auto stats = std::make_unique<installer_util::InstallStatSender>(
        installer_util::kInstallerTypeLite, L"", user_id,
        std::make_unique<JournalSender>(script_));
    stats_ = stats.get();
    return stats;
  }
  bool DownloadArchive(const std::wstring& url, installer_util::DownloadSink* sink,
                       std::string* error, std::wstring* redirect, uint32_t* content_length,
                       HANDLE stop_event, installer_util::DownloadProgressObserver* observer,
                       installer_util::DownloadFailureInfo* failure) override;
  bool DownloadPlain(const std::wstring& url, installer_util::DownloadSink* sink,
                     std::string* error, std::wstring* redirect, HANDLE stop_event) override {
    Record("summary");
    script_->summary_sent.Signal();
    return true;
  }
  bool VerifyModule(const std::wstring& path) override {
    Record("verify");
    return script_->verifies;
  }
  uint64_t NowMicros() override {
    std::lock_guard<std::mutex> hold(script_->mutex);
    return script_->clock += 1000000;
  }
  void PauseBetweenAttempts(const base::WaitableEvent& stop) override { Record("pause"); }
  std::unique_ptr<StartedProcess> StartProcess(const wchar_t* application,
                                               const std::wstring& command_line,
                                               DWORD* error) override {
    Record("start");
    script_->install_stat_at_start = installer_util::ReadValue(L"install_stat");
    if (script_->start_error != 0) {
      *error = script_->start_error;
      return nullptr;
    }
    return std::make_unique<FakeProcess>(script_->exit_code);
  }
  bool StartElevatedInstance(SHELLEXECUTEINFOW* info) override {
    Record(std::string("shell ") + base::WideToUtf8(info->lpVerb));
    info->hInstApp = reinterpret_cast<HINSTANCE>(script_->shell_answer);
    return script_->shell_starts;
  }
  bool RunElevated(ElevatedRunner* runner, HANDLE stop_event, int32_t* exit_code) override {
    Record("elevated");
    script_->elevated_archive = ReadDelayedParams().browser_arc_path;
    if (script_->elevated_stored_kind != 0) SetSharedErrorKind(script_->elevated_stored_kind);
    *exit_code = script_->elevated_exit_code;
    return script_->elevated_ok;
  }

 private:
  // The statistics events queued so far go to the journal first.
  void Record(const std::string& entry) {
    EXPECT_TRUE(stats_->WaitForPendingEvents(kDeadlineMs));
    script_->Add(entry);
  }

  Script* script_;
  installer_util::InstallStatSender* stats_ = nullptr;
};

bool FakePorts::DownloadArchive(const std::wstring& url, installer_util::DownloadSink* sink,
                                std::string* error, std::wstring* redirect,
                                uint32_t* content_length, HANDLE stop_event,
                                installer_util::DownloadProgressObserver* observer,
                                installer_util::DownloadFailureInfo* failure) {
  std::string plain = base::WideToUtf8(url);
  if (plain.size() > strlen(kSuffix) && plain.compare(plain.size() - strlen(kSuffix), strlen(kSuffix), kSuffix) == 0)
    plain.resize(plain.size() - strlen(kSuffix));
  Record("download " + plain + " from " + std::to_string(sink->bytes_written));
  Attempt attempt;
  {
    std::lock_guard<std::mutex> hold(script_->mutex);
    if (script_->attempts_made == 0) {
      script_->installer_data_at_download = installer_util::ReadValue(L"InstallerData");
      script_->installer_data_file_at_download =
          base::FileExists(script_->installer_data_at_download);
    }
    if (script_->attempts_made < script_->attempts.size())
      attempt = script_->attempts[script_->attempts_made];
    ++script_->attempts_made;
  }
  if (script_->hold_download) {
    script_->download_entered.Signal();
    EXPECT_TRUE(script_->download_released.TimedWait(kDeadlineMs));
  }
  const std::string bytes(attempt.bytes, 'x');
  if (!bytes.empty()) sink->Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
  *content_length = attempt.content_length;
  failure->exception_code = attempt.exception_code;
  failure->dll_name = attempt.dll;
  failure->proc_name = attempt.proc;
  if (!attempt.ok) *error = "500";
  return attempt.ok;
}

Attempt Ok() { return {true, 100, 100, 0, "", ""}; }
Attempt Failed(uint32_t bytes, uint32_t content_length) {
  return {false, bytes, content_length, 0, "", ""};
}

class InstallerControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSharedErrorKind(0);
    ASSERT_TRUE(WriteDelayedParams(DelayedParamValues()));
    for (const wchar_t* name : kStoredValues) installer_util::RemoveValue(name);
    brand_.setup_url = kUrl;
    options_.download_architecture = DownloadArchitecture::kX86;
  }
  void TearDown() override {
    installer_.reset();
    for (const wchar_t* name : kStoredValues) installer_util::RemoveValue(name);
    SetSharedErrorKind(0);
  }

  Installer& Make() {
    installer_ = std::make_unique<Installer>(nullptr, &brand_, nullptr, &options_, false,
                                             std::make_unique<FakePorts>(&script_));
    return *installer_;
  }
  // One run on this thread; the error kind it ends with (0: installed).
  int32_t Run() {
    Installer& installer = Make();
    LockedLog log;
    installer.RunSync();
    return log.FailureKind();
  }
  // A fresh start for the next case of a table.
  void Restart() {
    installer_.reset();
    SetUp();
    std::lock_guard<std::mutex> hold(script_.mutex);
    script_.journal.clear();
    script_.attempts_made = 0;
    script_.attempts = {Ok()};
  }
  // The journal's download attempts.
  std::vector<std::string> Downloads() {
    std::vector<std::string> out;
    for (const std::string& entry : script_.Journal())
      if (entry.rfind("download http", 0) == 0) out.push_back(entry.substr(9));
    return out;
  }
  size_t Count(const std::string& entry) {
    size_t n = 0;
    for (const std::string& e : script_.Journal()) n += e == entry;
    return n;
  }

  testing_support::ScopedPrivateTemp temp_{L"installer_controller"};
  BrandInfo brand_{temp_.dir()};
  InstallerOptions options_;
  Script script_;
  std::unique_ptr<Installer> installer_;
};

TEST_F(InstallerControllerTest, LoneUrlGetsSixAttemptsWithPausesBetween) {
  EXPECT_EQ(kErrorDownload, Run());
  const std::string from_zero = std::string(kUrl) + " from 0";
  EXPECT_EQ(std::vector<std::string>(6, from_zero), Downloads());
  EXPECT_EQ(5u, Count("pause"));
  EXPECT_EQ(6u, Count("stat download error"));
  EXPECT_EQ(0u, Count("verify"));
  EXPECT_EQ(0u, Count("start"));
  EXPECT_EQ(kResultDownloadFailed, installer_->result_code());
}

TEST_F(InstallerControllerTest, TwoUrlsGetThreeAttemptsEachInOrder) {
  options_.download_architecture = DownloadArchitecture::kX64;
  brand_.setup_url64 = kUrl64;
  EXPECT_EQ(kErrorDownload, Run());
  const std::string first = std::string(kUrl64) + " from 0";
  const std::string second = std::string(kUrl) + " from 0";
  EXPECT_EQ((std::vector<std::string>{first, first, first, second, second, second}), Downloads());
  EXPECT_EQ(5u, Count("pause"));
}

TEST_F(InstallerControllerTest, SuccessEndsTheAttempts) {
  script_.attempts = {Failed(0, 0), Ok()};
  EXPECT_EQ(kErrorNone, Run());
  EXPECT_EQ(2u, Downloads().size());
  EXPECT_EQ(1u, Count("pause"));
}

TEST_F(InstallerControllerTest, AttemptWithATenthOrMoreResumes) {
  script_.attempts = {Failed(10, 100), Failed(9, 200), Ok()};
  EXPECT_EQ(kErrorNone, Run());
  const std::string url = kUrl;
  // 10 of 100 are kept; the next attempt adds 9: 19 of 200 are too few.
  EXPECT_EQ((std::vector<std::string>{url + " from 0", url + " from 10", url + " from 0"}),
            Downloads());
}

TEST_F(InstallerControllerTest, NewUrlStartsFromZero) {
  options_.download_architecture = DownloadArchitecture::kX64;
  brand_.setup_url64 = kUrl64;
  script_.attempts = {Failed(0, 0), Failed(0, 0), Failed(50, 100), Ok()};
  EXPECT_EQ(kErrorNone, Run());
  const std::vector<std::string> downloads = Downloads();
  ASSERT_EQ(4u, downloads.size());
  EXPECT_EQ(std::string(kUrl64) + " from 0", downloads[2]);
  EXPECT_EQ(std::string(kUrl) + " from 0", downloads[3]);
}

TEST_F(InstallerControllerTest, CryptoProFailureEndsTheDownloadAtOnce) {
  script_.attempts = {{false, 0, 0, 0xC06D007E, "CPLIB.DLL", "CryptoProGetVersion"}};
  EXPECT_EQ(kErrorDownloadCryptoPro, Run());
  EXPECT_EQ(1u, Downloads().size());
  EXPECT_EQ(0u, Count("pause"));
}

TEST_F(InstallerControllerTest, OtherExceptionIsADownloadFailureAtOnce) {
  script_.attempts = {{false, 0, 0, 0xC06D007E, "wininet.dll", "InternetOpenW"}};
  EXPECT_EQ(kErrorDownload, Run());
  EXPECT_EQ(1u, Downloads().size());
}

TEST_F(InstallerControllerTest, VerificationFailureRunsNoSetup) {
  script_.attempts = {Ok()};
  script_.verifies = false;
  EXPECT_EQ(kErrorGeneric, Run());
  EXPECT_EQ(1u, Count("stat verification error"));
  EXPECT_EQ(0u, Count("start"));
  EXPECT_EQ(kResultVerificationFailed, installer_->result_code());
}

TEST_F(InstallerControllerTest, SetupExitCodesMapToErrorKinds) {
  const struct {
    DWORD exit_code;
    int32_t kind;
  } cases[] = {{7, kErrorSetupExit7}, {8, kErrorSetupExit8}, {0x01000000, kErrorGeneric}};
  for (const auto& c : cases) {
    Restart();
    script_.exit_code = c.exit_code;
    EXPECT_EQ(c.kind, Run()) << "exit code " << c.exit_code;
    EXPECT_EQ(static_cast<int32_t>(c.exit_code), installer_->result_code());
    EXPECT_EQ(1u, Count("stat setup setup_exe_exited " + std::to_string(c.exit_code)));
  }
}

TEST_F(InstallerControllerTest, MachineTypeMismatchHasItsOwnKind) {
  script_.attempts = {Ok()};
  script_.start_error = ERROR_EXE_MACHINE_TYPE_MISMATCH;
  EXPECT_EQ(kErrorMachineTypeMismatch, Run());
  EXPECT_EQ(1u, Count("stat setup setup_exe_exited FailedToStart"));
  EXPECT_EQ(kResultInitial, installer_->result_code());
}

TEST_F(InstallerControllerTest, OtherStartFailureIsGeneric) {
  script_.attempts = {Ok()};
  script_.start_error = ERROR_FILE_NOT_FOUND;
  EXPECT_EQ(kErrorGeneric, Run());
}

TEST_F(InstallerControllerTest, EffectsComeInTheProcedureOrder) {
  script_.attempts = {Ok()};
  EXPECT_EQ(kErrorNone, Run());
  const std::string url = kUrl;
  EXPECT_EQ((std::vector<std::string>{"stat installer_started", "stat download started",
                                      "download " + url + " from 0",
                                      "stat download_attempt success 1",
                                      "stat download finished", "verify",
                                      "stat setup setup_exe_launched", "start",
                                      "stat setup setup_exe_exited", "summary"}),
            script_.Journal());
  // The data files and their registry values are there before the download,
  // the parameters for setup before setup; a finished installation removes
  // the values again.
  EXPECT_EQ(base::PathJoin(temp_.dir(), L"master_preferences"), script_.installer_data_at_download);
  EXPECT_TRUE(script_.installer_data_file_at_download);
  EXPECT_FALSE(script_.install_stat_at_start.empty());
  EXPECT_EQ(L"", installer_util::ReadValue(L"InstallerData"));
  EXPECT_EQ(0, installer_->result_code());
  EXPECT_EQ(1000000, installer_->download_duration());
  EXPECT_EQ(1000000, installer_->installation_duration());
}

TEST_F(InstallerControllerTest, FailedInstallationKeepsTheValuesForSetup) {
  script_.attempts = {Ok()};
  script_.exit_code = 7;
  EXPECT_EQ(kErrorSetupExit7, Run());
  EXPECT_EQ(base::PathJoin(temp_.dir(), L"master_preferences"),
            installer_util::ReadValue(L"InstallerData"));
}

TEST_F(InstallerControllerTest, ElevatedSuccessIsAFinishedInstallation) {
  script_.attempts = {Ok()};
  Make().set_elevated_runner(std::make_unique<ElevatedRunner>());
  LockedLog log;
  installer_->RunSync();
  EXPECT_EQ(0, log.FailureKind()) << log.Dump();
  EXPECT_EQ(1u, Count("elevated"));
  EXPECT_EQ(0u, Count("start"));
  EXPECT_EQ(0, installer_->result_code());
  EXPECT_EQ(nullptr, installer_->elevated_runner());
  EXPECT_EQ(temp_.dir(), base::DirName(script_.elevated_archive));
}

TEST_F(InstallerControllerTest, ElevatedFailuresMapToErrorKinds) {
  const struct {
    int32_t exit_code;
    int32_t stored_kind;
    int32_t kind;
  } cases[] = {{600, 0, kErrorElevatedAnotherInstance},
               {1, kErrorSetupExit8, kErrorSetupExit8},
               {1, 0, kErrorGeneric}};
  for (const auto& c : cases) {
    Restart();
    script_.elevated_ok = false;
    script_.elevated_exit_code = c.exit_code;
    script_.elevated_stored_kind = c.stored_kind;
    Make().set_elevated_runner(std::make_unique<ElevatedRunner>());
    LockedLog log;
    installer_->RunSync();
    EXPECT_TRUE(log.Has("The elevated run failed, exit code " + std::to_string(c.exit_code) +
                        ", error kind " + std::to_string(c.kind)))
        << log.Dump();
    EXPECT_EQ(c.kind, log.FailureKind());
    EXPECT_EQ(kResultInitial, installer_->result_code());
  }
}

TEST_F(InstallerControllerTest, RefusedElevationPromptIsADeclinedUac) {
  Installer& installer = Make();
  EXPECT_FALSE(installer.StartElevatedInstaller());
  EXPECT_TRUE(installer.uac_declined());
  EXPECT_EQ(nullptr, installer.elevated_runner());
  ASSERT_TRUE(installer.stats()->WaitForPendingEvents(kDeadlineMs));
  EXPECT_EQ((std::vector<std::string>{"shell runas", "window uac_declined"}), script_.Journal());
}

TEST_F(InstallerControllerTest, FailedElevatedStartIsNoDeclinedUac) {
  script_.shell_answer = SE_ERR_FNF;
  Installer& installer = Make();
  EXPECT_FALSE(installer.StartElevatedInstaller());
  EXPECT_FALSE(installer.uac_declined());
}

// Starts the installation on its own thread and waits until the first
// download attempt is held in the fake.
class InstallerControllerRaceTest : public InstallerControllerTest {
 protected:
  void StartHeld() {
    script_.attempts = {Ok()};
    script_.hold_download = true;
    ASSERT_TRUE(Make().StartAsync());
    ASSERT_TRUE(script_.download_entered.TimedWait(kDeadlineMs));
  }
};

TEST_F(InstallerControllerRaceTest, StopBeforeGoAheadRunsNoSetup) {
  LockedLog log;
  StartHeld();
  ::SetEvent(installer_->stop_event());
  script_.download_released.Signal();
  ASSERT_TRUE(installer_->WaitForInstallAsync());
  EXPECT_EQ(kErrorGeneric, log.FailureKind());
  EXPECT_EQ(0u, Count("verify"));
  EXPECT_EQ(0u, Count("start"));
}

TEST_F(InstallerControllerRaceTest, StopTogetherWithGoAheadWins) {
  LockedLog log;
  StartHeld();
  installer_->AllowInstall();
  ::SetEvent(installer_->stop_event());
  script_.download_released.Signal();
  ASSERT_TRUE(installer_->WaitForInstallAsync());
  EXPECT_TRUE(log.Has("Installation after download event isn't in signal state or installation "
                      "was stopped early."));
  EXPECT_EQ(0u, Count("verify"));
  EXPECT_EQ(0u, Count("start"));
}

TEST_F(InstallerControllerRaceTest, GoAheadAloneRunsSetup) {
  StartHeld();
  installer_->AllowInstall();
  script_.download_released.Signal();
  ASSERT_TRUE(script_.summary_sent.TimedWait(kDeadlineMs));
  ASSERT_TRUE(installer_->WaitForInstallAsync());
  EXPECT_EQ(1u, Count("verify"));
  EXPECT_EQ(1u, Count("start"));
  EXPECT_EQ(0, installer_->result_code());
}

}  // namespace
}  // namespace lite_installer
