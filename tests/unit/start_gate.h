// A start barrier for tests of races: each of `count` threads calls
// ArriveAndWait(), and all of them go on together once the last has
// arrived. (A condition variable: std::latch of this toolchain's library
// left a thread waiting for ever under Wine.)
#pragma once

#include <condition_variable>
#include <mutex>

namespace testing_support {

class StartGate {
 public:
  explicit StartGate(int count) : left_(count) {}
  StartGate(const StartGate&) = delete;
  StartGate& operator=(const StartGate&) = delete;

  void ArriveAndWait() {
    std::unique_lock<std::mutex> hold(mutex_);
    if (--left_ <= 0) {
      open_ = true;
      opened_.notify_all();
      return;
    }
    opened_.wait(hold, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  int left_;
  bool open_ = false;
};

}  // namespace testing_support
