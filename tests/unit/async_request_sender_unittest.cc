// The request sender when several threads send at once: one worker, every
// request delivered once.
#include "installer/util/async_request_sender.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "base/process.h"
#include "tests/unit/start_gate.h"

namespace installer_util {
namespace {

// Records each request with the thread that sent it (any thread).
class ThreadRecordingSender : public AsyncRequestSender {
 public:
  ~ThreadRecordingSender() override { StopWorker(); }

  struct Sent {
    std::wstring url;
    DWORD thread;
  };
  std::vector<Sent> sent() {
    std::lock_guard<std::mutex> hold(mutex_);
    return sent_;
  }

 protected:
  void SendUrl(const std::wstring& url) override {
    std::lock_guard<std::mutex> hold(mutex_);
    sent_.push_back({url, ::GetCurrentThreadId()});
  }

 private:
  std::mutex mutex_;
  std::vector<Sent> sent_;
};

TEST(AsyncRequestSenderRaceTest, TwoThreadsSendingFirstAtOnceStartOneWorker) {
  constexpr int kRounds = 25;
  constexpr int kPerThread = 40;
  for (int round = 0; round < kRounds; ++round) {
    ThreadRecordingSender sender;
    testing_support::StartGate start(2);  // both threads call their first Send together
    std::atomic<int> refused{0};
    auto send_all = [&](const std::wstring& prefix) {
      start.ArriveAndWait();
      for (int i = 0; i < kPerThread; ++i)
        if (!sender.Send(prefix + std::to_wstring(i))) ++refused;
    };
    base::Thread first, second;
    ASSERT_TRUE(first.Start([&] { send_all(L"a"); }));
    ASSERT_TRUE(second.Start([&] { send_all(L"b"); }));
    ASSERT_TRUE(first.Join(30000));
    ASSERT_TRUE(second.Join(30000));
    ASSERT_TRUE(sender.WaitForIdle(30000)) << "round " << round;
    EXPECT_EQ(refused.load(), 0);

    const auto sent = sender.sent();
    ASSERT_EQ(sent.size(), 2u * kPerThread) << "round " << round;
    std::set<std::wstring> urls;
    std::set<DWORD> workers;
    std::map<wchar_t, int> next;  // each thread's requests keep their order
    for (const auto& s : sent) {
      urls.insert(s.url);
      workers.insert(s.thread);
      EXPECT_EQ(s.url, s.url.substr(0, 1) + std::to_wstring(next[s.url[0]]++)) << "round " << round;
    }
    EXPECT_EQ(urls.size(), 2u * kPerThread) << "round " << round;  // each exactly once
    EXPECT_EQ(workers.size(), 1u) << "round " << round;
    EXPECT_EQ(workers.count(first.id()) + workers.count(second.id()), 0u);
  }
}

}  // namespace
}  // namespace installer_util
