// Collects the log records written while it lives (replacing the process's
// log writer for that time).
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/logging.h"

namespace testing_support {

class LogCapture {
 public:
  LogCapture() {
    auto sink = std::make_unique<Sink>();
    sink_ = sink.get();
    base::SetLogSink(std::move(sink));
  }
  ~LogCapture() { base::SetLogSink(nullptr); }

  // "<SEVERITY>: <text> (<function>)" per record.
  std::vector<std::string> lines() const {
    std::lock_guard<std::mutex> lock(sink_->mutex);
    return sink_->lines;
  }
  bool Has(const std::string& fragment) const {
    for (const std::string& line : lines())
      if (line.find(fragment) != std::string::npos) return true;
    return false;
  }

 private:
  struct Sink : base::LogSink {
    void Emit(const base::LogRecord& record) override {
      std::lock_guard<std::mutex> lock(mutex);
      lines.push_back(std::string(base::LogSeverityName(record.severity)) + ": " + record.text +
                      " (" + record.function + ")");
    }
    mutable std::mutex mutex;
    std::vector<std::string> lines;
  };
  Sink* sink_;
};

}  // namespace testing_support
