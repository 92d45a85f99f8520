#include "installer/crash/crash_handler.h"

#include <objbase.h>
#include <dbghelp.h>

#include <atomic>
#include <cstring>
#include <memory>

#include "base/files.h"
#include "base/strings.h"
#include "base/test_hooks.h"
#include "installer/crash/crash_report_upload.h"
#include "installer/crash/file_io_win.h"
#include "installer/crash/information_stream.h"
#include "installer/util/user_id.h"
#include "installer/util/registry.h"

namespace crash {
namespace {

constexpr MINIDUMP_TYPE kDumpType = MiniDumpWithIndirectlyReferencedMemory;  // 0x40
// How long a second crashing thread waits for the first one's report.
constexpr DWORD kConcurrentCrashWaitMs = 120000;

std::atomic<CrashHandler*> g_handler{nullptr};
std::atomic<DWORD> g_crashing_thread{0};

GuidBytes ToBytes(const GUID& guid) {
  static_assert(sizeof(GUID) == 16);
  GuidBytes bytes;
  std::memcpy(bytes.data(), &guid, 16);
  return bytes;
}

class HandleFileAccess : public DumpFileAccess {
 public:
  explicit HandleFileAccess(HANDLE file) : file_(file) {}
  bool Seek(uint64_t offset) override { return SeekFileTo(file_, offset); }
  bool Read(void* data, size_t size) override { return ReadFileExactly(file_, data, size); }
  bool Write(const void* data, size_t size) override {
    return WriteFileExactly(file_, data, size);
  }

 private:
  HANDLE file_;
};

// Keeps the lines of a block that runs before the log exists.
class StartupLogCapture {
 public:
  explicit StartupLogCapture(std::vector<base::LogRecord>* records) {
    if (base::GetLogSink()) return;
    active_ = true;
    base::SetLogSink(std::make_unique<Sink>(records));
  }
  StartupLogCapture(const StartupLogCapture&) = delete;
  StartupLogCapture& operator=(const StartupLogCapture&) = delete;
  ~StartupLogCapture() {
    if (active_) base::SetLogSink(nullptr);
  }

 private:
  class Sink : public base::LogSink {
   public:
    explicit Sink(std::vector<base::LogRecord>* records) : records_(records) {}
    void Emit(const base::LogRecord& record) override { records_->push_back(record); }

   private:
    std::vector<base::LogRecord>* records_;
  };
  bool active_ = false;
};

class ScopedLock {
 public:
  explicit ScopedLock(CRITICAL_SECTION* lock) : lock_(lock) { ::EnterCriticalSection(lock_); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;
  ~ScopedLock() { ::LeaveCriticalSection(lock_); }

 private:
  CRITICAL_SECTION* lock_;
};

GUID ParseClientId(const std::string& user_id) {
  std::wstring text = base::AsciiToWide(user_id);
  if (!text.empty() && text[0] != L'{') text = L"{" + text + L"}";
  GUID guid = {};
  if (text.empty() || FAILED(::CLSIDFromString(text.c_str(), &guid))) {
    LOG_TAG(ERROR, "Impl") << "uid not found, use empty";
    return GUID{};
  }
  return guid;
}

GUID NewReportId() {
  GUID guid = {};
  // Tests that need to know the dump's name in advance fix the report id.
  if (const auto fixed = base::GetTestHook("CRASH_REPORT_ID")) {
    const std::wstring text = L"{" + base::AsciiToWide(*fixed) + L"}";
    if (SUCCEEDED(::CLSIDFromString(text.c_str(), &guid))) return guid;
  }
  if (FAILED(::CoCreateGuid(&guid))) LOG_TAG(ERROR, "Impl") << "CoCreateGuid failed";
  return guid;
}

}  // namespace

std::string GuidToString(const GUID& guid) {
  wchar_t text[40];
  if (::StringFromGUID2(guid, text, 40) != 39 || text[0] != L'{' || text[37] != L'}') return {};
  return base::WideToAsciiLossy(std::wstring_view(text + 1, 36));
}

CrashHandler& CrashHandler::Get() {
  static CrashHandler* const handler = new CrashHandler();
  return *handler;
}

CrashHandler::CrashHandler() { ::InitializeCriticalSection(&lock_); }

CrashHandler::~CrashHandler() {
  Uninstall();
  ::DeleteCriticalSection(&lock_);
}

bool CrashHandler::Install() {
  StartupLogCapture capture(&startup_log_);
  return InstallForUser(lite_installer::GetUserId());
}

bool CrashHandler::InstallForUser(const std::string& user_id) {
  if (previous_filter_installed_) return true;
  StartupLogCapture capture(&startup_log_);
  {
    ScopedLock lock(&lock_);
    client_id_ = ParseClientId(user_id);
    report_id_ = NewReportId();
    const std::string report_id = GuidToString(report_id_);
    parameters_["uid"] = GuidToString(client_id_);
    parameters_["report_id"] = report_id;
    parameters_["ver"] = installer_util::kProductVersion;
    parameters_["plat"] = "Win32";
    parameters_["prod"] = "Kelmor";
    parameters_["gzip_enabled"] = gzip_enabled_ ? "true" : "false";
    // No temporary folder, no dump: the handler does not write elsewhere.
    const std::wstring temp = base::GetTempDir();
    dump_path_ = temp.empty() || report_id.empty()
                     ? std::wstring()
                     : base::PathJoin(temp, base::AsciiToWide(report_id) + L".dmp");
  }

  dbghelp_.reset(base::LoadSystemLibrary(L"dbghelp.dll"));
  if (!dbghelp_) return false;
  write_dump_ = reinterpret_cast<MiniDumpWriteDumpFunction>(
      ::GetProcAddress(dbghelp_.get(), "MiniDumpWriteDump"));
  if (!write_dump_) {
    dbghelp_.reset();
    return false;
  }
  g_handler = this;
  previous_filter_ = ::SetUnhandledExceptionFilter(&CrashHandler::HandleException);
  previous_filter_installed_ = true;
  return true;
}

void CrashHandler::Uninstall() {
  if (previous_filter_installed_) {
    ::SetUnhandledExceptionFilter(previous_filter_);
    previous_filter_installed_ = false;
  }
  CrashHandler* self = this;
  g_handler.compare_exchange_strong(self, nullptr);
  ScopedLock lock(&lock_);
  previous_filter_ = nullptr;
  write_dump_ = nullptr;
  dbghelp_.reset();
  parameters_.clear();
  dump_path_.clear();
  client_id_ = GUID{};
  report_id_ = GUID{};
}

void CrashHandler::SetCrashKey(std::string_view key, std::string_view value) {
  if (key.empty() || value.empty()) return;
  ScopedLock lock(&lock_);
  parameters_[std::string(key)] = std::string(value);
}

std::map<std::string, std::string> CrashHandler::parameters() const {
  ScopedLock lock(&lock_);
  return parameters_;
}

void CrashHandler::FlushStartupLog() {
  base::LogSink* sink = base::GetLogSink();
  if (!sink) return;
  for (const base::LogRecord& record : startup_log_) sink->Emit(record);
  startup_log_.clear();
}

bool CrashHandler::WriteDump(EXCEPTION_POINTERS* exception_pointers) {
  if (!write_dump_ || dump_path_.empty()) return false;
  base::ScopedHandle file = CreateNewFileForReadWrite(dump_path_);
  if (!file) {
    PLOG(ERROR, ::GetLastError()) << "CreateFile " << dump_path_;
    return false;
  }

  std::string stream;
  uint32_t entry_count;
  {
    ScopedLock lock(&lock_);
    stream = BuildInformationStream(ToBytes(report_id_), ToBytes(client_id_), parameters_);
    entry_count = static_cast<uint32_t>(parameters_.size());
  }

  MINIDUMP_EXCEPTION_INFORMATION exception = {};
  exception.ThreadId = ::GetCurrentThreadId();
  exception.ExceptionPointers = exception_pointers;
  exception.ClientPointers = FALSE;
  MINIDUMP_USER_STREAM user_stream = {};
  user_stream.Type = kInformationStreamType;
  user_stream.BufferSize = static_cast<ULONG>(stream.size());
  user_stream.Buffer = stream.data();
  MINIDUMP_USER_STREAM_INFORMATION user_streams = {};
  user_streams.UserStreamCount = 1;
  user_streams.UserStreamArray = &user_stream;
  bool ok = write_dump_(::GetCurrentProcess(), ::GetCurrentProcessId(), file.get(), kDumpType,
                        exception_pointers ? &exception : nullptr, &user_streams,
                        nullptr) != FALSE;
  if (!ok) PLOG(ERROR, ::GetLastError()) << "MiniDumpWriteDump";

  if (ok) {
    HandleFileAccess access(file.get());
    ok = RelocateInformationStream(access, entry_count);
    if (!ok) LOG(ERROR) << "information stream not relocated in " << dump_path_;
  }
  file.reset();
  // A dump that could not be completed is of no use to anyone.
  if (!ok) ::DeleteFileW(dump_path_.c_str());
  return ok;
}

LONG CrashHandler::OnException(EXCEPTION_POINTERS* exception_pointers) {
  if (WriteDump(exception_pointers) && upload_enabled_) {
    CrashReport report;
    report.dump_path = dump_path_;
    report.upload_enabled = upload_enabled_;
    report.gzip_enabled = gzip_enabled_;
    report.parameters = parameters();
    SendReport(report);
  }
  return previous_filter_ ? previous_filter_(exception_pointers) : EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI CrashHandler::HandleException(EXCEPTION_POINTERS* exception_pointers) {
  CrashHandler* handler = g_handler;
  if (!handler) return EXCEPTION_CONTINUE_SEARCH;
  const DWORD this_thread = ::GetCurrentThreadId();
  DWORD expected = 0;
  if (!g_crashing_thread.compare_exchange_strong(expected, this_thread)) {
    // A crash inside the report itself, or a second thread crashing while
    // the first one reports: the first report is the one that counts.
    if (expected != this_thread) ::Sleep(kConcurrentCrashWaitMs);
    return EXCEPTION_CONTINUE_SEARCH;
  }
  return handler->OnException(exception_pointers);
}

}  // namespace crash
