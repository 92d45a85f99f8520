// download_tool <command> [arguments] [--report FILE] [--log FILE]
//
//   progress URL --out FILE [--resume] [--stop-at N] [--target]
//       DownloadWithProgress into a file sink; --resume keeps the file's
//       bytes in the sink, --stop-at signals the stop event once the sink
//       holds N bytes, --target writes through a DownloadTargetFile.
//   plain URL --out FILE       Download (the sink is emptied first)
//   file URL DEST [--stop-at N]  Downloader::DownloadToFile
//   string URL [--header NAME]... [--stop-at N]
//       Downloader::DownloadToString, then QueryCustomHeader per name
//   finalize URL               OpenDownload, reads, FinalizeDownload(status)
//   lock PATH                  DownloadTargetFile, then LockForExecution
//   send URL... [--then-exit]  AsyncRequestSender; --then-exit destroys it
//                              right after queueing
//   stats SCRIPT               InstallStatSender driven by a script of
//                              tab-separated commands (see RunStats)
//
// --max-bytes N caps the body in the progress, file, string and finalize
// commands (the sink's cap; 0 or absent: none).
//
// The report is a JSON document with the outcome; the log is the
// installer's log format.
#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/hash.h"
#include "base/logging.h"
#include "base/process.h"
#include "base/strings.h"
#include "installer/util/file_logger.h"
#include "installer/util/async_request_sender.h"
#include "installer/util/downloader.h"
#include "installer/util/install_stat_sender.h"

namespace {

using installer_util::DownloadSink;

// ---- a tiny JSON writer for the report

std::string JsonEscape(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      snprintf(buf, sizeof(buf), "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

class Report {
 public:
  void Add(const std::string& key, const std::string& raw_json) {
    if (!body_.empty()) body_ += ",\n";
    body_ += JsonEscape(key) + ": " + raw_json;
  }
  void Str(const std::string& key, const std::string& value) { Add(key, JsonEscape(value)); }
  void Str(const std::string& key, const std::wstring& value) { Str(key, base::WideToUtf8(value)); }
  void Num(const std::string& key, long long value) { Add(key, std::to_string(value)); }
  void Bool(const std::string& key, bool value) { Add(key, value ? "true" : "false"); }
  std::string Text() const { return "{\n" + body_ + "\n}\n"; }

 private:
  std::string body_;
};

// ---- arguments

struct Args {
  std::string command;
  std::vector<std::wstring> positional;
  std::wstring out, report, log;
  std::vector<std::string> headers;
  bool resume = false, target = false, then_exit = false;
  long long stop_at = -1;
  uint64_t max_bytes = 0;  // the sink's cap; 0: none
};

Args ParseArgs(int argc, wchar_t** argv) {
  Args a;
  if (argc > 1) a.command = base::WideToUtf8(argv[1]);
  for (int i = 2; i < argc; ++i) {
    const std::wstring arg = argv[i];
    auto next = [&]() -> std::wstring { return i + 1 < argc ? argv[++i] : L""; };
    if (arg == L"--out") a.out = next();
    else if (arg == L"--report") a.report = next();
    else if (arg == L"--log") a.log = next();
    else if (arg == L"--header") a.headers.push_back(base::WideToUtf8(next()));
    else if (arg == L"--stop-at") a.stop_at = _wtoi64(next().c_str());
    else if (arg == L"--max-bytes") a.max_bytes = static_cast<uint64_t>(_wtoi64(next().c_str()));
    else if (arg == L"--resume") a.resume = true;
    else if (arg == L"--target") a.target = true;
    else if (arg == L"--then-exit") a.then_exit = true;
    else a.positional.push_back(arg);
  }
  return a;
}

// ---- sinks and observers that record what happened

// Passes writes on and signals the stop event once `limit` bytes are held.
class StoppingSink : public DownloadSink {
 public:
  StoppingSink(DownloadSink* inner, long long limit, HANDLE stop)
      : inner_(inner), limit_(limit), stop_(stop) {
    bytes_written = inner->bytes_written;
    max_bytes = inner->max_bytes;
  }
  bool Write(const void* data, uint32_t size) override {
    const bool ok = inner_->Write(data, size);
    bytes_written = inner_->bytes_written;
    if (limit_ >= 0 && bytes_written >= limit_) ::SetEvent(stop_);
    return ok;
  }
  void Reset() override {
    inner_->Reset();
    bytes_written = 0;
    ++resets;
  }
  int resets = 0;

 private:
  DownloadSink* inner_;
  long long limit_;
  HANDLE stop_;
};

class RecordingObserver : public installer_util::DownloadProgressObserver {
 public:
  void OnProgress(float fraction) override {
    ++progress_count;
    if (fraction == 1.0f) ++full_count;
    if (progress.size() < 20000) progress.push_back(fraction);
  }
  void OnSlowDownload() override { ++slow; }
  void OnTimeEstimate(int32_t seconds, int32_t phase) override {
    estimates.push_back({seconds, phase});
  }
  std::vector<float> progress;
  long long progress_count = 0, full_count = 0, slow = 0;
  std::vector<std::pair<int32_t, int32_t>> estimates;
};

std::string FractionsJson(const std::vector<float>& v) {
  std::string s = "[";
  for (size_t i = 0; i < v.size(); ++i) {
    char buf[32];
    snprintf(buf, sizeof(buf), "%s%.9g", i ? "," : "", static_cast<double>(v[i]));
    s += buf;
  }
  return s + "]";
}

std::string EstimatesJson(const std::vector<std::pair<int32_t, int32_t>>& v) {
  std::string s = "[";
  for (size_t i = 0; i < v.size(); ++i)
    s += (i ? ",[" : "[") + std::to_string(v[i].first) + "," + std::to_string(v[i].second) + "]";
  return s + "]";
}

void AddPeakMemory(Report* r) {
  PROCESS_MEMORY_COUNTERS pmc = {};
  pmc.cb = sizeof(pmc);
  if (::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof(pmc))) {
    r->Num("peak_working_set", static_cast<long long>(pmc.PeakWorkingSetSize));
    r->Num("peak_pagefile_usage", static_cast<long long>(pmc.PeakPagefileUsage));
  }
}

long long NowMs() {
  LARGE_INTEGER f, c;
  ::QueryPerformanceFrequency(&f);
  ::QueryPerformanceCounter(&c);
  return c.QuadPart * 1000 / f.QuadPart;
}

// ---- commands

int RunProgress(const Args& a, Report* r, bool plain) {
  if (a.positional.empty() || a.out.empty()) return 2;
  base::WaitableEvent stop;
  installer_util::DownloadTargetFile target;
  base::ScopedHandle own;
  HANDLE file = nullptr;
  if (a.target) {
    if (!target.Open(a.out)) return 3;
    file = target.Handle();
  } else {
    own.reset(::CreateFileW(a.out.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            a.resume ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!own.is_valid()) return 3;
    file = own.get();
  }
  installer_util::FileSink file_sink(file, a.max_bytes);
  if (a.resume) {
    LARGE_INTEGER size = {};
    ::GetFileSizeEx(file, &size);
    ::SetFilePointer(file, 0, nullptr, FILE_END);
    file_sink.bytes_written = static_cast<uint32_t>(size.QuadPart);
  }
  StoppingSink sink(&file_sink, a.stop_at, stop.handle());
  r->Num("initial_bytes", sink.bytes_written);
  RecordingObserver observer;
  std::string error;
  std::wstring redirect;
  uint32_t length = 0;
  installer_util::DownloadFailureInfo failure;
  const long long started = NowMs();
  bool ok;
  if (plain) {
    ok = installer_util::Download(a.positional[0], &sink, &error, &redirect, stop.handle());
  } else {
    ok = installer_util::DownloadWithProgress(a.positional[0], &sink, &error, &redirect, &length,
                                              stop.handle(), &observer, &failure);
  }
  r->Num("elapsed_ms", NowMs() - started);
  r->Bool("result", ok);
  r->Str("error", error);
  r->Str("redirect", redirect);
  r->Num("content_length", length);
  r->Num("bytes_written", sink.bytes_written);
  r->Num("resets", sink.resets);
  r->Bool("stopped", stop.IsSignaled());
  r->Num("exception_code", failure.exception_code);
  r->Str("dll_name", failure.dll_name);
  r->Str("proc_name", failure.proc_name);
  r->Num("progress_count", observer.progress_count);
  r->Num("full_progress_count", observer.full_count);
  r->Num("slow_count", observer.slow);
  r->Add("progress", FractionsJson(observer.progress));
  r->Add("estimates", EstimatesJson(observer.estimates));
  if (a.target) r->Bool("locked", target.LockForExecution());
  return 0;
}

int RunFile(const Args& a, Report* r) {
  if (a.positional.size() < 2) return 2;
  base::WaitableEvent stop;
  installer_util::Downloader d;
  // The stop event is signalled by a watcher thread once the temporary
  // file reaches the limit (DownloadToFile owns its sink).
  base::Thread watcher;
  volatile bool done = false;
  if (a.stop_at >= 0) {
    watcher.Start([&] {
      while (!done) {
        WIN32_FIND_DATAW fd;
        const std::wstring pattern = base::GetTempDir() + L"dl*.tmp";
        base::ScopedFindHandle find(::FindFirstFileW(pattern.c_str(), &fd));
        if (find.is_valid()) {
          do {
            const unsigned long long size = (static_cast<unsigned long long>(fd.nFileSizeHigh) << 32) |
                                            fd.nFileSizeLow;
            if (static_cast<long long>(size) >= a.stop_at) stop.Signal();
          } while (::FindNextFileW(find.get(), &fd));
        }
        ::Sleep(5);
      }
    });
  }
  const bool ok = d.DownloadToFile(base::WideToUtf8(a.positional[0]), a.positional[1], stop.handle(),
                                   a.max_bytes);
  done = true;
  watcher.Join();
  r->Bool("result", ok);
  r->Str("error", d.last_error());
  r->Bool("stopped", stop.IsSignaled());
  r->Bool("destination_exists", base::FileExists(a.positional[1]));
  return 0;
}

int RunString(const Args& a, Report* r) {
  if (a.positional.empty()) return 2;
  installer_util::Downloader d;
  std::string body = "untouched";
  const bool ok = d.DownloadToString(base::WideToUtf8(a.positional[0]), nullptr, &body, a.max_bytes);
  r->Bool("result", ok);
  r->Str("error", d.last_error());
  r->Num("body_size", static_cast<long long>(body.size()));
  r->Str("body_sha256", ok ? base::Sha256Hex(body) : "");
  std::string headers = "{";
  for (size_t i = 0; i < a.headers.size(); ++i) {
    headers += (i ? "," : "") + JsonEscape(a.headers[i]) + ":" +
               JsonEscape(d.QueryCustomHeader(a.headers[i]));
  }
  r->Add("headers", headers + "}");
  if (ok && body.size() <= 4096) r->Str("body_hex", base::HexEncodeLower(body.data(), body.size()));
  return 0;
}

int RunFinalize(const Args& a, Report* r) {
  if (a.positional.empty()) return 2;
  installer_util::Downloader d;
  installer_util::StringSink sink(a.max_bytes);
  const bool opened = d.OpenDownload(a.positional[0], &sink);
  long long chunks = 0;
  if (opened)
    while (d.ReadDownloadChunk() != 0) ++chunks;
  uint32_t status = 0;
  const bool ok = opened && d.FinalizeDownload(&status);
  r->Bool("opened", opened);
  r->Bool("result", ok);
  r->Num("status", status);
  r->Num("chunks", chunks);
  r->Num("bytes_written", sink.bytes_written);
  r->Num("content_length", d.content_length());
  r->Str("error", d.last_error());
  r->Str("redirect", d.redirect_url());
  return 0;
}

// Raw facts of one response, for investigating servers.
int RunProbe(const Args& a, Report* r) {
  if (a.positional.empty()) return 2;
  HINTERNET internet = ::InternetOpenW(L"probe", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  HINTERNET request = ::InternetOpenUrlW(internet, a.positional[0].c_str(), L"Accept: */*", -1,
                                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT, 0);
  r->Num("open_error", request ? 0 : ::GetLastError());
  auto text = [&](DWORD what) {
    char buf[8192];
    DWORD size = sizeof(buf) - 1;
    if (!::HttpQueryInfoA(request, what, buf, &size, nullptr)) return std::string("<") + std::to_string(::GetLastError()) + ">";
    return std::string(buf, size);
  };
  if (request) {
    r->Str("version", text(HTTP_QUERY_VERSION));
    r->Str("status", text(HTTP_QUERY_STATUS_CODE));
    r->Str("status_text", text(HTTP_QUERY_STATUS_TEXT));
    r->Str("raw", text(HTTP_QUERY_RAW_HEADERS_CRLF));
    r->Str("location", text(HTTP_QUERY_LOCATION));
    ::InternetCloseHandle(request);
  }
  ::InternetCloseHandle(internet);
  return 0;
}

// InternetReadFile alone, with a chosen buffer size: where the client's time
// goes.
int RunRawRead(const Args& a, Report* r) {
  if (a.positional.size() < 2) return 2;
  const DWORD chunk = static_cast<DWORD>(_wtoi64(a.positional[1].c_str()));
  std::vector<char> buffer(chunk);
  const long long started = NowMs();
  HINTERNET internet = ::InternetOpenW(L"probe", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  HINTERNET request = ::InternetOpenUrlW(internet, a.positional[0].c_str(), L"Accept: */*", -1,
                                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
  long long total = 0, calls = 0;
  DWORD read = 0;
  while (request && ::InternetReadFile(request, buffer.data(), chunk, &read) && read) {
    total += read;
    ++calls;
  }
  r->Num("elapsed_ms", NowMs() - started);
  r->Num("bytes", total);
  r->Num("calls", calls);
  if (request) ::InternetCloseHandle(request);
  ::InternetCloseHandle(internet);
  return 0;
}

int RunLock(const Args& a, Report* r) {
  if (a.positional.empty()) return 2;
  installer_util::DownloadTargetFile target;
  r->Bool("valid_before_open", target.IsValid());
  r->Bool("locked_unopened", target.LockForExecution());
  r->Bool("opened", target.Open(a.positional[0]));
  installer_util::FileSink sink(target.Handle());
  r->Bool("written", sink.Write("MZ-locked", 9));
  // While the write handle is open, others may read but not write.
  base::ScopedHandle reader(::CreateFileW(a.positional[0].c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  r->Bool("readable_while_writing", reader.is_valid());
  reader.reset();
  r->Bool("locked", target.LockForExecution());
  base::ScopedHandle writer(::CreateFileW(a.positional[0].c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  r->Bool("writable_after_lock", writer.is_valid());
  reader.reset(::CreateFileW(a.positional[0].c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr));
  r->Bool("readable_after_lock", reader.is_valid());
  char buf[16] = {};
  DWORD n = 0;
  ::SetFilePointer(target.Handle(), 0, nullptr, FILE_BEGIN);
  r->Bool("lock_handle_reads", ::ReadFile(target.Handle(), buf, 9, &n, nullptr) && n == 9);
  r->Str("content", std::string(buf, n));
  return 0;
}

int RunSend(const Args& a, Report* r) {
  long long queued_ms = 0;
  {
    installer_util::AsyncRequestSender sender;
    const long long started = NowMs();
    bool all = true;
    for (const auto& url : a.positional) {
      all = sender.Send(url) && all;
      LOG(INFO) << "Queued " << url;
    }
    queued_ms = NowMs() - started;
    r->Bool("queued", all);
    if (!a.then_exit) ::Sleep(1500);
    LOG(INFO) << "Destroying the sender";
  }
  LOG(INFO) << "Sender destroyed";
  r->Num("queue_ms", queued_ms);
  return 0;
}

// ---- statistics

std::vector<std::wstring> SplitTabs(const std::wstring& line) {
  std::vector<std::wstring> out;
  size_t pos = 0;
  for (;;) {
    const size_t tab = line.find(L'\t', pos);
    out.push_back(line.substr(pos, tab == std::wstring::npos ? std::wstring::npos : tab - pos));
    if (tab == std::wstring::npos) return out;
    pos = tab + 1;
  }
}

// "\n" in script texts stands for a line break.
std::wstring Unescape(const std::wstring& s) {
  std::wstring out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'\\' && i + 1 < s.size() && s[i + 1] == L'n') {
      out += L'\n';
      ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

installer_util::StatEvent ParseEvent(const std::vector<std::wstring>& f, size_t from) {
  installer_util::StatEvent e;
  for (size_t i = from; i < f.size(); ++i) {
    const size_t eq = f[i].find(L'=');
    if (eq == std::wstring::npos) continue;
    e[base::WideToUtf8(f[i].substr(0, eq))] = f[i].substr(eq + 1);
  }
  return e;
}

long long Int(const std::vector<std::wstring>& f, size_t i) {
  return i < f.size() ? _wtoi64(f[i].c_str()) : 0;
}

std::wstring Field(const std::vector<std::wstring>& f, size_t i) {
  return i < f.size() ? f[i] : std::wstring();
}

// A script of tab-separated commands, one a line:
//   hold_event NAME          create a named event (for "launched")
//   new TYPE INSTALL_STAT USER_ID   make the sender ("\n" for line breaks)
//   param TYPE VALUE | get TYPE | url K=V... | event K=V... | window K=V...
//   started DPI W H | download_started | attempt OK ERROR N SIZE TOTAL URL REDIRECT X64 CANCELLED
//   attempt_error N ERROR | download_finished OK MICROS | lock_error |
//   verification_error | setup_launched ELEVATED | setup_exited STARTED OK CODE MICROS
//   button DEFAULT SENDSTAT | clicked_button NAME | clicked_link NAME | chosen_checkbox NAME
//   flush MS | save | finished OK CANCELLED TOTAL DOWNLOAD INSTALL | destroy | sleep MS
int RunStats(const Args& a, Report* r) {
  if (a.positional.empty()) return 2;
  const auto script = base::ReadFileToString(a.positional[0]);
  if (!script) return 3;
  std::unique_ptr<installer_util::InstallStatSender> stats;
  std::vector<base::ScopedHandle> events;
  std::string urls = "[", gets = "{", sends = "[";
  bool first_url = true, first_get = true, first_send = true;
  std::wstring text = base::Utf8ToWide(*script);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(L'\n', pos);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (line.empty()) continue;
    const auto f = SplitTabs(line);
    const std::wstring& cmd = f[0];
    auto sent = [&](bool ok) {
      sends += (first_send ? "" : ",") + std::string(ok ? "true" : "false");
      first_send = false;
    };
    if (cmd == L"hold_event") {
      events.emplace_back(::CreateEventW(nullptr, TRUE, FALSE, Field(f, 1).c_str()));
      continue;
    }
    if (cmd == L"new") {
      stats = std::make_unique<installer_util::InstallStatSender>(
          static_cast<int32_t>(Int(f, 1)), Unescape(Field(f, 2)), base::WideToUtf8(Field(f, 3)));
      continue;
    }
    if (cmd == L"sleep") {
      ::Sleep(static_cast<DWORD>(Int(f, 1)));
      continue;
    }
    if (!stats) return 4;
    if (cmd == L"param") {
      stats->SetParam(static_cast<int32_t>(Int(f, 1)), Field(f, 2));
    } else if (cmd == L"get") {
      gets += (first_get ? "" : ",") + JsonEscape(base::WideToUtf8(Field(f, 1))) + ":" +
              JsonEscape(base::WideToUtf8(stats->GetParam(static_cast<int32_t>(Int(f, 1)))));
      first_get = false;
    } else if (cmd == L"url") {
      urls += (first_url ? "" : ",") +
              JsonEscape(base::WideToUtf8(stats->GetQueryUrl(ParseEvent(f, 1), 0)));
      first_url = false;
    } else if (cmd == L"event") {
      sent(stats->SendEvent(ParseEvent(f, 1)));
    } else if (cmd == L"window") {
      sent(stats->SendWindowEvent(ParseEvent(f, 1)));
    } else if (cmd == L"started") {
      sent(stats->SendInstallerStartedEvent(static_cast<int>(Int(f, 1)), static_cast<int>(Int(f, 2)),
                                            static_cast<int>(Int(f, 3))));
    } else if (cmd == L"download_started") {
      sent(stats->SendDownloadStartedEvent());
    } else if (cmd == L"attempt") {
      installer_util::DownloadAttemptStat at;
      at.success = Int(f, 1) != 0;
      at.error = base::WideToUtf8(Field(f, 2));
      at.attempt_number = static_cast<int>(Int(f, 3));
      at.downloaded_size = static_cast<uint64_t>(Int(f, 4));
      at.total_size = static_cast<uint64_t>(Int(f, 5));
      at.url = base::WideToUtf8(Field(f, 6));
      at.redirect = Field(f, 7);
      at.x64 = Int(f, 8) != 0;
      sent(stats->SendDownloadAttemptEvent(at, Int(f, 9) != 0));
    } else if (cmd == L"attempt_error") {
      sent(stats->SendDownloadAttemptErrorEvent(static_cast<int>(Int(f, 1)),
                                                base::WideToUtf8(Field(f, 2))));
    } else if (cmd == L"download_finished") {
      sent(stats->SendDownloadFinishedEvent(Int(f, 1) != 0, Int(f, 2)));
    } else if (cmd == L"lock_error") {
      sent(stats->SendSetupArcLockErrorEvent());
    } else if (cmd == L"verification_error") {
      sent(stats->SendVerificationErrorEvent());
    } else if (cmd == L"setup_launched") {
      sent(stats->SendSetupLaunchedEvent(Int(f, 1) != 0));
    } else if (cmd == L"setup_exited") {
      sent(stats->SendSetupExitedEvent(Int(f, 1) != 0, Int(f, 2) != 0,
                                       static_cast<int32_t>(Int(f, 3)), Int(f, 4)));
    } else if (cmd == L"button") {
      sent(stats->SendInstallButtonClickedEvent(Int(f, 1) != 0, Int(f, 2) != 0));
    } else if (cmd == L"clicked_button") {
      sent(stats->SendClickedButtonEvent(Field(f, 1)));
    } else if (cmd == L"clicked_link") {
      sent(stats->SendClickedLinkEvent(Field(f, 1)));
    } else if (cmd == L"chosen_checkbox") {
      sent(stats->SendChosenCheckboxEvent(Field(f, 1)));
    } else if (cmd == L"save") {
      r->Bool("saved", stats->SaveForSetup());
    } else if (cmd == L"finished") {
      installer_util::InstallationSummary s;
      s.success = Int(f, 1) != 0;
      s.cancelled = Int(f, 2) != 0;
      s.total_time_us = Int(f, 3);
      s.download_time_us = Int(f, 4);
      s.install_time_us = Int(f, 5);
      r->Str("finished_url", stats->GetInstallationFinishedUrl(s));
      r->Bool("finished_result", stats->ReportInstallationFinished(s));
    } else if (cmd == L"flush") {
      r->Bool("flushed", stats->WaitForPendingEvents(static_cast<DWORD>(Int(f, 1))));
    } else if (cmd == L"destroy") {
      stats.reset();
      LOG(INFO) << "Statistics sender destroyed";
    } else {
      return 5;
    }
  }
  stats.reset();
  r->Add("urls", urls + "]");
  r->Add("gets", gets + "}");
  r->Add("sends", sends + "]");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const Args a = ParseArgs(argc, argv);
  if (!a.log.empty())
    base::SetLogSink(std::make_unique<lite_installer::FileLogger>(a.log, 0x4000000));
  Report report;
  report.Str("command", a.command);
  int rc = 2;
  if (a.command == "progress") rc = RunProgress(a, &report, false);
  else if (a.command == "plain") rc = RunProgress(a, &report, true);
  else if (a.command == "file") rc = RunFile(a, &report);
  else if (a.command == "string") rc = RunString(a, &report);
  else if (a.command == "finalize") rc = RunFinalize(a, &report);
  else if (a.command == "lock") rc = RunLock(a, &report);
  else if (a.command == "probe") rc = RunProbe(a, &report);
  else if (a.command == "stats") rc = RunStats(a, &report);
  else if (a.command == "rawread") rc = RunRawRead(a, &report);
  else if (a.command == "send") rc = RunSend(a, &report);
  AddPeakMemory(&report);
  report.Bool("wininet_loaded", ::GetModuleHandleW(L"wininet.dll") != nullptr);
  if (!a.report.empty()) base::WriteStringToFile(a.report, report.Text());
  base::SetLogSink(nullptr);
  return rc;
}
