// The loopback server brings winsock2.h, which must come before windows.h.
#include "tests/unit/loopback_http_server.h"

#include "installer/util/downloader.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <string>
#include <vector>

#include "base/files.h"
#include "base/process.h"
#include "base/scoped_handle.h"
#include "base/strings.h"
#include "installer/util/async_request_sender.h"
#include "installer/util/interruptible_downloader.h"
#include "tests/unit/log_capture.h"

namespace installer_util {
namespace {

std::wstring TempFile(const wchar_t* name) {
  return base::PathJoin(base::GetTempDir(), name);
}

TEST(StringSinkTest, WritesResetsAndTakes) {
  StringSink sink(1024);
  EXPECT_TRUE(sink.Write("abc", 3));
  EXPECT_TRUE(sink.Write("de", 2));
  EXPECT_EQ(sink.bytes_written, 5u);
  std::string out = "previous";
  sink.Take(&out);
  EXPECT_EQ(out, "abcde");
  EXPECT_EQ(sink.bytes_written, 0u);
  EXPECT_TRUE(sink.data().empty());
  sink.Write("x", 1);
  sink.Reset();
  EXPECT_EQ(sink.bytes_written, 0u);
  EXPECT_TRUE(sink.data().empty());
}

TEST(FileSinkTest, CountsOnlyCompleteWritesAndResetTruncates) {
  const std::wstring path = TempFile(L"file_sink_unittest.bin");
  {
    base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.is_valid());
    FileSink sink(file.get());
    EXPECT_TRUE(sink.Write("hello", 5));
    EXPECT_TRUE(sink.Write(" world", 6));
    EXPECT_EQ(sink.bytes_written, 11u);
    sink.Reset();
    EXPECT_EQ(sink.bytes_written, 0u);
    EXPECT_TRUE(sink.Write("new", 3));
  }
  EXPECT_EQ(base::ReadFileToString(path).value_or(""), "new");
  {
    // A handle without write access: the write fails and counts nothing.
    base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.is_valid());
    FileSink sink(file.get());
    EXPECT_FALSE(sink.Write("xyz", 3));
    EXPECT_EQ(sink.bytes_written, 0u);
  }
  // The sink never closes the borrowed handle.
  base::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        0, nullptr));
  {
    FileSink sink(file.get());
  }
  DWORD flags = 0;
  EXPECT_TRUE(::GetHandleInformation(file.get(), &flags));
  file.reset();
  ::DeleteFileW(path.c_str());
}

TEST(DownloaderTest, OperationsWithoutAnOpenRequestFail) {
  Downloader d;
  EXPECT_EQ(d.ReadDownloadChunk(), 0u);
  uint32_t status = 7;
  EXPECT_FALSE(d.FinalizeDownload(&status));
  EXPECT_EQ(d.last_error().rfind("final_query_info-0-", 0), 0u) << d.last_error();
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(d.QueryCustomHeader("X-Seed-Signature"), "");
  // Once an error is recorded, finalizing again leaves the status alone.
  status = 7;
  EXPECT_FALSE(d.FinalizeDownload(&status));
  EXPECT_EQ(status, 7u);
}

TEST(DownloaderTest, UnusableUrlFailsTheOpenWithItsStepPrefix) {
  Downloader d;
  StringSink sink(1024);
  EXPECT_FALSE(d.OpenDownload(L"not a url at all", &sink));
  EXPECT_EQ(d.last_error().rfind("internet_open_url-", 0), 0u) << d.last_error();
  EXPECT_TRUE(d.current_url().empty());
  EXPECT_EQ(d.failure_info().exception_code, 0u);
  EXPECT_EQ(d.ReadDownloadChunk(), 0u);
}

TEST(DownloaderTest, AnAnswerAnnouncedAboveTheSinksCapIsRefusedBeforeItsBody) {
  testing_support::LoopbackHttpServer server(200, std::string(100000, 'x'));
  testing_support::LogCapture log;
  const std::string url = server.base_url() + "/seed";
  Downloader d;
  StringSink sink(1000);
  EXPECT_FALSE(d.OpenDownload(base::AsciiToWide(url), &sink));
  EXPECT_EQ(d.last_error(), "body_too_large-1");
  EXPECT_EQ(sink.bytes_written, 0u);
  EXPECT_EQ(d.ReadDownloadChunk(), 0u);
  EXPECT_TRUE(log.Has("Refused " + url + ": Content-Length 100000 is above the cap of 1000 bytes",
                      "Download"))
      << log.Dump();
  server.WaitForRequest();
}

TEST(DownloaderTest, AnAnswerWithinTheCapIsRead) {
  testing_support::LoopbackHttpServer server(200, std::string(1000, 'y'));
  Downloader d;
  std::string body;
  EXPECT_TRUE(d.DownloadToString(server.base_url() + "/seed", nullptr, &body, 1000));
  EXPECT_EQ(body, std::string(1000, 'y'));
  server.WaitForRequest();
}

TEST(InterruptibleDownloaderTest, AnAnswerAnnouncedAboveTheCapIsRefusedBeforeItsBody) {
  testing_support::LoopbackHttpServer server(200, std::string(100000, 'x'));
  testing_support::LogCapture log;
  const std::string url = server.base_url() + "/x2/02.jpg";
  InterruptibleDownloader d;
  std::string body = "untouched";
  EXPECT_FALSE(d.DownloadToString(base::AsciiToWide(url), KeepGoing(), &body, 99999));
  EXPECT_EQ(d.last_error(), "body_too_large-1");
  EXPECT_FALSE(d.stopped());
  EXPECT_EQ(body, "untouched");
  EXPECT_TRUE(log.Has("Refused " + url + ": Content-Length 100000 is above the cap of 99999 bytes",
                      "Download"))
      << log.Dump();
  server.WaitForRequest();
}

TEST(DownloadTargetFileTest, LockNeedsAnOpenFile) {
  DownloadTargetFile target;
  EXPECT_FALSE(target.IsValid());
  EXPECT_FALSE(target.LockForExecution());
  EXPECT_FALSE(target.Open(L"Z:\\no\\such\\folder\\x.bin"));
  EXPECT_FALSE(target.IsValid());
}

TEST(AsyncRequestSenderTest, TimeoutsAreTwoSeconds) {
  base::ScopedInternetHandle internet(
      ::InternetOpenW(L"unit test", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  ASSERT_TRUE(internet.is_valid());
  // True only when both the connect and the send time-out were accepted.
  ASSERT_TRUE(ApplySendTimeouts(internet.get()));
  // Wine answers the query only for the connect time-out on a session.
  DWORD value = 0;
  DWORD size = sizeof(value);
  ASSERT_TRUE(::InternetQueryOptionW(internet.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &value, &size));
  EXPECT_EQ(value, 2000u);
}

// Records the URLs on the worker; the first one waits until released.
class RecordingSender : public AsyncRequestSender {
 public:
  ~RecordingSender() override { StopWorker(); }
  using AsyncRequestSender::StopWorker;
  base::WaitableEvent release;
  base::WaitableEvent first_started;
  std::vector<std::wstring> sent;
  std::vector<DWORD> threads;

 protected:
  void SendUrl(const std::wstring& url) override {
    if (sent.empty()) {
      first_started.Signal();
      release.TimedWait(30000);
    }
    sent.push_back(url);
    threads.push_back(::GetCurrentThreadId());
  }
};

TEST(AsyncRequestSenderTest, SendsInOrderOnTheWorker) {
  RecordingSender sender;
  sender.release.Signal();
  for (const wchar_t* url : {L"a", L"b", L"c"}) EXPECT_TRUE(sender.Send(url));
  for (int i = 0; i < 300 && sender.sent.size() < 3; ++i) ::Sleep(10);
  ASSERT_EQ(sender.sent, (std::vector<std::wstring>{L"a", L"b", L"c"}));
  for (DWORD id : sender.threads) EXPECT_NE(id, ::GetCurrentThreadId());
}

TEST(AsyncRequestSenderTest, DestructionFinishesTheRequestInFlightAndDropsTheRest) {
  auto sender = std::make_unique<RecordingSender>();
  EXPECT_TRUE(sender->Send(L"first"));
  ASSERT_TRUE(sender->first_started.TimedWait(10000));
  EXPECT_TRUE(sender->Send(L"second"));
  EXPECT_TRUE(sender->Send(L"third"));
  RecordingSender* raw = sender.get();
  base::Thread releaser;
  releaser.Start([raw] {
    ::Sleep(200);
    raw->release.Signal();
  });
  // Stops the worker: it finishes "first" and never starts the others.
  raw->StopWorker();
  releaser.Join();
  EXPECT_EQ(raw->sent, std::vector<std::wstring>{L"first"});
  EXPECT_TRUE(raw->Send(L"after stop"));  // starts a new worker
}

}  // namespace
}  // namespace installer_util
